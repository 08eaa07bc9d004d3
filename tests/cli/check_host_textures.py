"""The DDS files of `quilbet build --host-mesh` opened by an independent reader (Pillow).

Usage: check_host_textures.py QUILBET STATION.json WORKDIR

Builds the station three ways in one run each: a glb (its PNG textures are the
painted pixels the host received), host files with DXT1 textures and host files
with uncompressed textures. Every uncompressed DDS must decode to one of the
glb's textures exactly; every DXT1 DDS to the same pixels within DXT1's error
(mean absolute error per channel under 8). Both must carry a mipmap chain down
to 1 x 1 whose byte count adds up, and list the same files as the mesh's
texture list.
"""
import io
import json
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image


def glb_textures(path):
    """The glb's images as a set of (width, height, RGB bytes)."""
    data = open(path, "rb").read()
    json_len = struct.unpack_from("<I", data, 12)[0]
    doc = json.loads(data[20:20 + json_len])
    bin_start = 20 + json_len + 8
    out = set()
    for image in doc.get("images", []):
        view = doc["bufferViews"][image["bufferView"]]
        start = bin_start + view.get("byteOffset", 0)
        im = Image.open(io.BytesIO(data[start:start + view["byteLength"]])).convert("RGB")
        out.add((im.width, im.height, im.tobytes()))
    return out


def texture_list(msh_path):
    lines = open(msh_path, "rb").read().decode("ascii").split("\r\n")
    at = max(i for i, line in enumerate(lines) if line.startswith("TEXTURES "))
    count = int(lines[at].split()[1])
    return lines[at + 1:at + 1 + count]


def chain_bytes(w, h, per_level):
    total, levels = 0, 0
    while True:
        total += per_level(w, h)
        levels += 1
        if w == 1 and h == 1:
            return total, levels
        w, h = max(w // 2, 1), max(h // 2, 1)


checks = [0]


def check(failures, cond, what):
    checks[0] += 1
    if not cond:
        failures.append(what)


def main():
    quilbet, station, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    glb = os.path.join(work, "station.glb")
    dirs = {f: os.path.join(work, f) for f in ("dxt1", "rgba")}
    for fmt, folder in dirs.items():
        args = [quilbet, "build", station, "--host-mesh", folder, "--host-textures", fmt]
        if fmt == "rgba":
            args += ["-o", glb]
        subprocess.run(args, check=True)
    painted = glb_textures(glb)
    name = os.path.splitext(os.path.basename(station))[0]

    failures = []
    names = texture_list(os.path.join(dirs["rgba"], name + ".msh"))
    check(failures, len(names) > 0, "no textures listed")
    check(failures, names == texture_list(os.path.join(dirs["dxt1"], name + ".msh")), "texture lists differ")
    on_disk = sorted(f for f in os.listdir(dirs["rgba"]) if f.endswith(".dds"))
    check(failures, on_disk == sorted(names), "DDS files on disk differ from the texture list")
    worst = 0.0
    for file in names:
        raw_path, dxt_path = os.path.join(dirs["rgba"], file), os.path.join(dirs["dxt1"], file)
        raw, dxt = Image.open(raw_path), Image.open(dxt_path)
        check(failures, raw.format == "DDS" and dxt.format == "DDS", file + ": not read as DDS")
        check(failures, raw.mode == "RGBA" and dxt.mode == "RGBA", file + ": modes %s, %s" % (raw.mode, dxt.mode))
        check(failures, raw.size == dxt.size, file + ": sizes differ")
        w, h = raw.size
        raw.load()
        dxt.load()
        check(failures, raw.getextrema()[3] == (255, 255), file + ": alpha not opaque")
        rgb = raw.convert("RGB").tobytes()
        check(failures, (w, h, rgb) in painted, file + ": uncompressed pixels are not a painted texture")
        # DXT1: mean absolute error per channel against the painted pixels.
        drgb = dxt.convert("RGB").tobytes()
        for c in range(3):
            err = sum(abs(a - b) for a, b in zip(rgb[c::3], drgb[c::3])) / (w * h)
            worst = max(worst, err)
            check(failures, err < 8, "%s: channel %d mean error %.2f" % (file, c, err))
        # A full chain: the mipmap count and the file's length.
        for path, per_level in ((raw_path, lambda a, b: a * b * 4),
                                (dxt_path, lambda a, b: ((a + 3) // 4) * ((b + 3) // 4) * 8)):
            data = open(path, "rb").read()
            total, levels = chain_bytes(w, h, per_level)
            check(failures, struct.unpack_from("<I", data, 28)[0] == levels, path + ": mipmap count")
            check(failures, len(data) == 128 + total, path + ": %d bytes, expected %d" % (len(data), 128 + total))
        # The last level (1 x 1) of a power-of-two texture is the mean of the first.
        if w & (w - 1) == 0 and h & (h - 1) == 0:
            last = open(raw_path, "rb").read()[-4:]
            for c, channel in enumerate((2, 1, 0)):   # stored B, G, R
                mean = sum(rgb[c::3]) / (w * h)
                check(failures, abs(last[channel] - mean) <= 2, "%s: 1 x 1 level channel %d" % (file, c))
    for f in failures[:20]:
        print("FAIL:", f)
    print("%d textures, worst DXT1 mean error per channel %.2f" % (len(names), worst))
    print("%d passed, %d failed" % (checks[0] - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
