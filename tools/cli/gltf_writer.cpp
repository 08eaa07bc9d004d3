// GLB writing through tinygltf; textures encoded with libpng.
#include "gltf_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include <tiny_gltf.h>

#include "png_io.hpp"

namespace quilbet {
namespace {

// Appends bytes to the single buffer at a 4-byte boundary; returns the new view's index.
int add_view(tinygltf::Model& m, const void* data, size_t size, int target) {
    std::vector<unsigned char>& buf = m.buffers[0].data;
    while (buf.size() % 4 != 0) buf.push_back(0);
    tinygltf::BufferView v;
    v.buffer = 0;
    v.byteOffset = buf.size();
    v.byteLength = size;
    v.target = target;
    const auto* p = static_cast<const unsigned char*>(data);
    buf.insert(buf.end(), p, p + size);
    m.bufferViews.push_back(v);
    return static_cast<int>(m.bufferViews.size() - 1);
}

int add_accessor(tinygltf::Model& m, int view, int component, size_t count, int type,
                 std::vector<double> min = {}, std::vector<double> max = {}) {
    tinygltf::Accessor a;
    a.bufferView = view;
    a.byteOffset = 0;
    a.componentType = component;
    a.count = count;
    a.type = type;
    a.minValues = std::move(min);
    a.maxValues = std::move(max);
    m.accessors.push_back(a);
    return static_cast<int>(m.accessors.size() - 1);
}

double clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

}  // namespace

bool write_glb(const Scene& scene, std::vector<uint8_t>& out, std::string& error) {
    tinygltf::Model m;
    m.asset.version = "2.0";
    m.asset.generator = "quilbet";
    m.buffers.resize(1);
    m.defaultScene = 0;
    tinygltf::Scene sc;
    sc.name = "station";

    tinygltf::Sampler sampler;
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.wrapS = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    m.samplers.push_back(sampler);

    for (size_t gi = 0; gi < scene.groups.size(); ++gi) {
        const SceneGroup& g = scene.groups[gi];
        const size_t n = g.vertex_count();
        if (n == 0 || g.ind.size() < 3) continue;
        const std::string name = "group " + std::to_string(gi);

        // Positions with their bounds; normals made unit length (a zero normal becomes +y).
        std::vector<double> lo(3, INFINITY), hi(3, -INFINITY);
        std::vector<float> nrm(g.nrm);
        for (size_t i = 0; i < n; ++i) {
            for (size_t c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], static_cast<double>(g.pos[3 * i + c]));
                hi[c] = std::max(hi[c], static_cast<double>(g.pos[3 * i + c]));
            }
            float* v = &nrm[3 * i];
            const double len = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
            if (!(len > 1e-12) || !std::isfinite(len)) {
                v[0] = 0, v[1] = 1, v[2] = 0;
            } else {
                for (int c = 0; c < 3; ++c) v[c] = static_cast<float>(v[c] / len);
            }
        }
        tinygltf::Primitive prim;
        prim.mode = TINYGLTF_MODE_TRIANGLES;
        prim.attributes["POSITION"] =
            add_accessor(m, add_view(m, g.pos.data(), g.pos.size() * 4, TINYGLTF_TARGET_ARRAY_BUFFER),
                         TINYGLTF_COMPONENT_TYPE_FLOAT, n, TINYGLTF_TYPE_VEC3, lo, hi);
        prim.attributes["NORMAL"] =
            add_accessor(m, add_view(m, nrm.data(), nrm.size() * 4, TINYGLTF_TARGET_ARRAY_BUFFER),
                         TINYGLTF_COMPONENT_TYPE_FLOAT, n, TINYGLTF_TYPE_VEC3);
        if (g.uv.size() == 2 * n) {
            prim.attributes["TEXCOORD_0"] =
                add_accessor(m, add_view(m, g.uv.data(), g.uv.size() * 4, TINYGLTF_TARGET_ARRAY_BUFFER),
                             TINYGLTF_COMPONENT_TYPE_FLOAT, n, TINYGLTF_TYPE_VEC2);
        }
        const size_t tri_indices = g.ind.size() - g.ind.size() % 3;
        const uint32_t max_index = *std::max_element(g.ind.begin(), g.ind.begin() + static_cast<long>(tri_indices));
        if (max_index >= n) {
            error = name + ": index " + std::to_string(max_index) + " beyond its " + std::to_string(n) + " vertices";
            return false;
        }
        // 0xFFFF is the primitive-restart value of 16-bit indices, so it needs 32 bits.
        if (max_index < 0xFFFF) {
            std::vector<uint16_t> ind(g.ind.begin(), g.ind.begin() + static_cast<long>(tri_indices));
            prim.indices = add_accessor(
                m, add_view(m, ind.data(), ind.size() * 2, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER),
                TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, ind.size(), TINYGLTF_TYPE_SCALAR);
        } else {
            prim.indices = add_accessor(
                m, add_view(m, g.ind.data(), tri_indices * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER),
                TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, tri_indices, TINYGLTF_TYPE_SCALAR);
        }

        tinygltf::Material mat;
        mat.name = name;
        mat.pbrMetallicRoughness.baseColorFactor = {clamp01(g.diffuse[0]), clamp01(g.diffuse[1]),
                                                    clamp01(g.diffuse[2]), clamp01(g.diffuse[3])};
        mat.pbrMetallicRoughness.metallicFactor = 0.0;
        mat.pbrMetallicRoughness.roughnessFactor = std::clamp(1.0 - g.specpow / 100.0, 0.1, 1.0);
        mat.emissiveFactor = {clamp01(g.emissive[0]), clamp01(g.emissive[1]), clamp01(g.emissive[2])};
        if (g.texw > 0 && g.texh > 0 && g.rgba.size() == static_cast<size_t>(g.texw) * g.texh * 4 &&
            prim.attributes.count("TEXCOORD_0") != 0) {
            // The host keeps no alpha: the texture is opaque RGB.
            std::vector<uint8_t> rgb(static_cast<size_t>(g.texw) * g.texh * 3);
            for (size_t p = 0, q = 0; p < g.rgba.size(); p += 4, q += 3) {
                rgb[q] = g.rgba[p], rgb[q + 1] = g.rgba[p + 1], rgb[q + 2] = g.rgba[p + 2];
            }
            std::vector<uint8_t> png;
            if (!encode_png(rgb.data(), g.texw, g.texh, 3, png, error)) return false;
            tinygltf::Image img;
            img.name = name;
            img.mimeType = "image/png";
            img.bufferView = add_view(m, png.data(), png.size(), 0);
            m.images.push_back(img);
            tinygltf::Texture tex;
            tex.sampler = 0;
            tex.source = static_cast<int>(m.images.size() - 1);
            m.textures.push_back(tex);
            mat.pbrMetallicRoughness.baseColorTexture.index = static_cast<int>(m.textures.size() - 1);
        }
        m.materials.push_back(mat);
        prim.material = static_cast<int>(m.materials.size() - 1);

        tinygltf::Mesh mesh;
        mesh.name = name;
        mesh.primitives.push_back(prim);
        m.meshes.push_back(mesh);
        tinygltf::Node node;
        node.name = name;
        node.mesh = static_cast<int>(m.meshes.size() - 1);
        m.nodes.push_back(node);
        sc.nodes.push_back(static_cast<int>(m.nodes.size() - 1));
    }
    m.scenes.push_back(sc);
    if (m.images.empty()) m.samplers.clear();
    if (m.buffers[0].data.empty()) m.buffers.clear();

    std::ostringstream stream;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&m, stream, false, true)) {
        error = "glTF writing failed";
        return false;
    }
    const std::string bytes = stream.str();
    out.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace quilbet
