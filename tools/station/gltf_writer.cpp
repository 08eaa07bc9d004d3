// GLB writing through tinygltf; textures encoded with libpng.
#include "station/gltf_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include <tiny_gltf.h>

#include "station/png_io.hpp"
#include "station/version.hpp"

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

// Builds the glTF model: materials, textures and accessors go into m.
class GlbBuilder {
public:
    GlbBuilder() {
        m_.asset.version = "2.0";
        m_.asset.generator = std::string("quilbet ") + quilbet_version;
        m_.buffers.resize(1);
        m_.defaultScene = 0;
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.wrapS = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        m_.samplers.push_back(sampler);
    }

    // One triangle primitive of g with a material named material_name; false
    // with a reason when an index is out of range or a texture cannot be encoded.
    bool add_primitive(const SceneGroup& g, const std::string& material_name, tinygltf::Primitive& prim,
                       std::string& error) {
        tinygltf::Model& m = m_;
        const size_t n = g.vertex_count();
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
            error = material_name + ": index " + std::to_string(max_index) + " beyond its " + std::to_string(n) +
                    " vertices";
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
        mat.name = material_name;
        mat.pbrMetallicRoughness.baseColorFactor = {clamp01(g.diffuse[0]), clamp01(g.diffuse[1]),
                                                    clamp01(g.diffuse[2]), clamp01(g.diffuse[3])};
        mat.pbrMetallicRoughness.metallicFactor = 0.0;
        mat.pbrMetallicRoughness.roughnessFactor = std::clamp(1.0 - g.specpow / 100.0, 0.1, 1.0);
        mat.emissiveFactor = {clamp01(g.emissive[0]), clamp01(g.emissive[1]), clamp01(g.emissive[2])};
        if (g.texw > 0 && g.texh > 0 && g.rgba.size() == static_cast<size_t>(g.texw) * g.texh * 4 &&
            prim.attributes.count("TEXCOORD_0") != 0) {
            int texture = -1;
            if (!texture_of(g, material_name, texture, error)) return false;
            mat.pbrMetallicRoughness.baseColorTexture.index = texture;
        }
        m.materials.push_back(mat);
        prim.material = static_cast<int>(m.materials.size() - 1);
        return true;
    }

    void add_root_node(tinygltf::Node node) {
        m_.nodes.push_back(std::move(node));
        scene_.nodes.push_back(static_cast<int>(m_.nodes.size() - 1));
    }

    int add_mesh(tinygltf::Mesh mesh) {
        m_.meshes.push_back(std::move(mesh));
        return static_cast<int>(m_.meshes.size() - 1);
    }

    bool finish(std::vector<uint8_t>& out, std::string& error) {
        scene_.name = "station";
        m_.scenes.push_back(scene_);
        if (m_.images.empty()) m_.samplers.clear();
        if (m_.buffers[0].data.empty()) m_.buffers.clear();
        std::ostringstream stream;
        tinygltf::TinyGLTF writer;
        if (!writer.WriteGltfSceneToStream(&m_, stream, false, true)) {
            error = "glTF writing failed";
            return false;
        }
        const std::string bytes = stream.str();
        out.assign(bytes.begin(), bytes.end());
        return true;
    }

private:
    // The texture of g, encoded once per pixel image: groups that share a
    // cached PNG (the same block geometry placed twice) share one texture.
    bool texture_of(const SceneGroup& g, const std::string& name, int& texture, std::string& error) {
        if (g.png) {
            const auto it = texture_of_png_.find(g.png.get());
            if (it != texture_of_png_.end()) {
                texture = it->second;
                return true;
            }
        }
        std::vector<uint8_t> encoded;
        const std::vector<uint8_t>* png = g.png.get();
        if (png == nullptr) {
            // The host keeps no alpha: the texture is opaque RGB.
            std::vector<uint8_t> rgb(static_cast<size_t>(g.texw) * g.texh * 3);
            for (size_t p = 0, q = 0; p < g.rgba.size(); p += 4, q += 3) {
                rgb[q] = g.rgba[p], rgb[q + 1] = g.rgba[p + 1], rgb[q + 2] = g.rgba[p + 2];
            }
            if (!encode_png(rgb.data(), g.texw, g.texh, 3, encoded, error)) return false;
            png = &encoded;
        }
        tinygltf::Image img;
        img.name = name;
        img.mimeType = "image/png";
        img.bufferView = add_view(m_, png->data(), png->size(), 0);
        m_.images.push_back(img);
        tinygltf::Texture tex;
        tex.sampler = 0;
        tex.source = static_cast<int>(m_.images.size() - 1);
        m_.textures.push_back(tex);
        texture = static_cast<int>(m_.textures.size() - 1);
        if (g.png) texture_of_png_[g.png.get()] = texture;
        return true;
    }

    tinygltf::Model m_;
    tinygltf::Scene scene_;
    std::map<const void*, int> texture_of_png_;
};

tinygltf::Value params_extras(const std::vector<SceneParam>& params) {
    tinygltf::Value::Object values;
    for (const SceneParam& p : params) {
        values[p.name] = p.is_switch ? tinygltf::Value(p.value > 0) : tinygltf::Value(p.value);
    }
    tinygltf::Value::Object extras;
    extras["params"] = tinygltf::Value(values);
    return tinygltf::Value(extras);
}

bool is_identity(const double r[4]) { return r[0] == 0 && r[1] == 0 && r[2] == 0 && r[3] == 1; }

}  // namespace

std::string block_node_name(const SceneBlock& b) { return b.id + " (" + b.type + ")"; }

bool write_glb(const Scene& scene, std::vector<uint8_t>& out, std::string& error) {
    GlbBuilder glb;
    if (scene.blocks.empty()) {
        for (size_t gi = 0; gi < scene.groups.size(); ++gi) {
            const SceneGroup& g = scene.groups[gi];
            if (g.vertex_count() == 0 || g.ind.size() < 3) continue;
            const std::string name = "group " + std::to_string(gi);
            tinygltf::Mesh mesh;
            mesh.name = name;
            mesh.primitives.emplace_back();
            if (!glb.add_primitive(g, name, mesh.primitives.back(), error)) return false;
            tinygltf::Node node;
            node.name = name;
            node.mesh = glb.add_mesh(std::move(mesh));
            glb.add_root_node(std::move(node));
        }
        return glb.finish(out, error);
    }
    for (const SceneBlock& b : scene.blocks) {
        tinygltf::Node node;
        node.name = block_node_name(b);
        tinygltf::Mesh mesh;
        mesh.name = node.name;
        for (size_t gi = 0; gi < b.groups.size(); ++gi) {
            const SceneGroup& g = *b.groups[gi];
            if (g.vertex_count() == 0 || g.ind.size() < 3) continue;
            mesh.primitives.emplace_back();
            if (!glb.add_primitive(g, b.type + " group " + std::to_string(gi), mesh.primitives.back(), error)) {
                return false;
            }
        }
        if (!mesh.primitives.empty()) node.mesh = glb.add_mesh(std::move(mesh));
        if (b.translation[0] != 0 || b.translation[1] != 0 || b.translation[2] != 0) {
            node.translation = {b.translation[0], b.translation[1], b.translation[2]};
        }
        if (!is_identity(b.rotation)) node.rotation = {b.rotation[0], b.rotation[1], b.rotation[2], b.rotation[3]};
        node.extras = params_extras(b.params);
        glb.add_root_node(std::move(node));
    }
    return glb.finish(out, error);
}

}  // namespace quilbet
