// The GPU side of a model: textures, one vertex buffer per geometry, one
// index buffer and material per polygon-data block, and the draw with the
// bone palette.
#include "render/render_model_gpu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "model/model.h"
#include "platform/stage_timer.h"
#include "render/renderer.h"
#include "render/texture_file.h"

namespace {

// Copies up to `count` floats of entry `index` of a source; entries outside
// the source (or a missing source) leave `out` as it is.
void CopyEntry(const CFloatArray* source, int index, float* out, int count) {
    if (!source || !source->values) return;
    const float* entry = static_cast<const float*>(source->values->GetAt(index));
    if (!entry) return;
    const int n = source->FloatCount() < count ? source->FloatCount() : count;
    for (int k = 0; k < n; ++k) out[k] = entry[k];
}

// The corner's index in a parallel index list, or -1 when the list is short.
int CornerIndex(const CValueArray<int>& list, int corner) { return corner < list.Count() ? list[corner] : -1; }

GLuint CreateStaticBuffer(std::size_t size, const void* data) {
    GLuint buffer = 0;
    glCreateBuffers(1, &buffer);
    glNamedBufferStorage(buffer, static_cast<GLsizeiptr>(size), data, 0);
    return buffer;
}

void CopyColor(float* dst, const float* src) { std::memcpy(dst, src, 4 * sizeof(float)); }

// Textures keep their own look; a plain material shows its diffuse colour.
// A diffuse of all zeros, alpha too, is one the file never gave (no material,
// an effect kind the reader leaves out): white, as before. Alpha stays 1:
// coverage comes from the texture, as before.
void MaterialTint(const CRenderMaterial& material, float* tint) {
    const float* d = material.diffuse;
    const bool given = d[0] != 0.0f || d[1] != 0.0f || d[2] != 0.0f || d[3] != 0.0f;
    const bool plain = material.texture == 0 && given;
    for (int i = 0; i < 3; ++i) tint[i] = !plain ? 1.0f : d[i] > 0.0f ? std::min(d[i], 1.0f) : 0.0f;  // NaN: 0
    tint[3] = 1.0f;
}

// Fills one polygon-data block's corners into `vertices` and returns the
// index list. A corner whose vertex index lies outside the geometry has no
// vertex to write or draw: its whole triangle is left out.
std::vector<std::uint32_t> FillBlock(const CGeometry& geometry, const CPolygonData& block,
                                     std::vector<ModelVertex>& vertices) {
    const CFloatArray* positions = geometry.FindFloatArray(block.vertexId);
    const CFloatArray* normals = block.normalId.Empty() ? nullptr : geometry.FindFloatArray(block.normalId);
    const CFloatArray* colors = block.colorId.Empty() ? nullptr : geometry.FindFloatArray(block.colorId);
    std::vector<const CFloatArray*> texSets;
    for (const CName& id : block.texIds) texSets.push_back(geometry.FindFloatArray(id));

    const int vertexCount = static_cast<int>(vertices.size());
    const int corners = block.vertexIndices.Count();
    std::vector<std::uint32_t> indices;
    indices.reserve(static_cast<std::size_t>(corners));
    for (int i = 0; i < corners; ++i) {
        ModelVertex vertex{};
        const int v = block.vertexIndices[i];
        CopyEntry(positions, v, vertex.position, 3);
        if (geometry.weights) {
            if (const CBoneWeight* row = geometry.weights->Row(v)) {
                for (int k = 0; k < MaxBoneInfluences; ++k) {
                    vertex.bones[k][0] = row[k].boneIndex;
                    vertex.bones[k][1] = row[k].weight;
                }
            }
        }
        CopyEntry(normals, CornerIndex(block.normalIndices, i), vertex.normal, 3);
        CopyEntry(colors, CornerIndex(block.colorIndices, i), vertex.color, 4);
        const int t = CornerIndex(block.texIndices, i);
        for (const CFloatArray* set : texSets) {
            float uv[2] = {0, 0};
            CopyEntry(set, t, uv, 2);
            vertex.texCoord[0] += uv[0];
            vertex.texCoord[1] += uv[1];
        }
        if (v >= 0 && v < vertexCount) vertices[static_cast<std::size_t>(v)] = vertex;
        indices.push_back(static_cast<std::uint32_t>(v));
    }

    // Keep whole triangles whose three corners all have a vertex.
    std::vector<std::uint32_t> kept;
    kept.reserve(indices.size());
    for (std::size_t tri = 0; tri + 3 <= indices.size(); tri += 3) {
        const bool inside = indices[tri] < static_cast<std::uint32_t>(vertexCount) &&
                            indices[tri + 1] < static_cast<std::uint32_t>(vertexCount) &&
                            indices[tri + 2] < static_cast<std::uint32_t>(vertexCount);
        if (inside)
            kept.insert(kept.end(), indices.begin() + static_cast<long>(tri),
                        indices.begin() + static_cast<long>(tri) + 3);
    }
    return kept;
}

}  // namespace

Outcome CRenderModelGpu::Build(CRenderer& renderer, const CModel* model, bool skinningOn, const std::string& folder) {
    const stage_timer::Span span("models: GL buffers and textures");
    (void)renderer;
    if (!model) return Status::Failure("no model to build");
    skinning = skinningOn ? 1 : 0;

    Outcome built;
    for (const CTexture* texture : model->textures) {
        const std::string file = texture->fileName.ToUtf8();
        const bool relative = !folder.empty() && !file.empty() && file[0] != '/';
        Result<GLuint> loaded = !texture->embeddedImage.empty() ? LoadTextureData(texture->embeddedImage)
                                : file.empty()                  ? Result<GLuint>(0u)
                                               : LoadTextureFile(relative ? folder + "/" + file : file);
        // One line per texture that cannot be used; the model is drawn without it.
        if (!loaded)
            built.notes.push_back(
                "texture left out: " +
                loaded.status().About(file.empty() ? "embedded image " + texture->id.ToUtf8() : "").Why());
        textures.Add(*loaded);
    }

    materialBuffer = CRenderer::CreateDynamicBuffer(sizeof(MaterialConstants));
    skinningBuffer = CRenderer::CreateDynamicBuffer(sizeof(SkinningConstants));
    pose.name = model->name;

    for (const CGeometry* geometry : model->geometries) {
        CRenderMesh* mesh = meshes.AddNew();
        mesh->bindShape = TransposeMatrix(Matrix4::FromFloats(geometry->bindShapeMatrix));
        // A vertex count a file merely claims cannot size the buffer: beyond
        // the last vertex a corner refers to, and beyond the longest source,
        // there is nothing to write or draw.
        int used = 0;
        for (const CFloatArray* source : geometry->floatArrays)
            if (source->values && source->values->Count() > used) used = source->values->Count();
        for (const CPolygonData* block : geometry->polygonData)
            for (int v : block->vertexIndices)
                if (v >= used && v < geometry->vertexCount) used = v + 1;
        const int vertexCount = std::clamp(geometry->vertexCount, 0, used);
        std::vector<ModelVertex> vertices(static_cast<std::size_t>(vertexCount));

        for (const CPolygonData* block : geometry->polygonData) {
            CRenderMaterial* material = mesh->materials.AddNew();
            const int materialIndex = model->MaterialIndex(block->materialId);
            if (const CMaterial* source = model->materials.Get(materialIndex)) {
                CopyColor(material->diffuse, source->diffuse);
                CopyColor(material->ambient, source->ambient);
                CopyColor(material->emission, source->emission);
                CopyColor(material->specular, source->specular);
                const int textureIndex = model->TextureIndexOfMaterial(materialIndex);
                if (textureIndex >= 0 && textureIndex < textures.Count()) material->texture = textures[textureIndex];
            }

            const std::vector<std::uint32_t> indices = FillBlock(*geometry, *block, vertices);
            // An empty block still gets a (one-index) buffer so the lists stay parallel.
            const std::uint32_t none = 0;
            mesh->indexBuffers.Add(CreateStaticBuffer(indices.empty() ? sizeof none : indices.size() * 4,
                                                      indices.empty() ? &none : indices.data()));
            mesh->indexCounts.Add(static_cast<int>(indices.size()));
        }

        // The vertex buffer is writable from the CPU, as the format promises.
        const ModelVertex empty{};
        mesh->vertexBuffer =
            CRenderer::CreateDynamicBuffer(vertices.empty() ? sizeof empty : vertices.size() * sizeof(ModelVertex),
                                           vertices.empty() ? &empty : vertices.data());
    }

    pose.CopyBones(*model);
    pose.CopyAnimations(*model);
    if (pose.bones.Count() > kBonePaletteSize) {
        built.notes.push_back(pose.name.ToUtf8() + " has " + std::to_string(pose.bones.Count()) +
                              " bones; only the first " + std::to_string(kBonePaletteSize) + " are skinned");
    }
    return built;
}

void CRenderModelGpu::Draw(CRenderer& renderer) {
    const CRefArray<CRenderBone>& bones = pose.bones;
    const int paletteBones = bones.Count() < kBonePaletteSize ? bones.Count() : kBonePaletteSize;

    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.SetInputLayout(renderer.FullLayout());

    for (const CRenderMesh* mesh : meshes) {
        renderer.SetVertexBuffer(mesh->vertexBuffer);

        // The palette goes straight into the freshly invalidated buffer.
        auto* image = static_cast<SkinningConstants*>(glMapNamedBufferRange(
            skinningBuffer, 0, sizeof(SkinningConstants), GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
        if (image) {
            image->BindShapeMatrix = TransposeMatrix(mesh->bindShape);
            for (int i = 0; i < paletteBones; ++i) image->BoneMatrix[i] = TransposeMatrix(bones[i]->pose);
            for (int i = paletteBones; i < kBonePaletteSize; ++i) image->BoneMatrix[i] = Matrix4::Identity();
            glUnmapNamedBuffer(skinningBuffer);
        }
        renderer.BindConstantBuffer(kSlotSkinning, skinningBuffer);

        for (int i = 0; i < mesh->indexCounts.Count(); ++i) {
            const CRenderMaterial* material = mesh->materials[i];
            MaterialConstants colours;
            CopyColor(colours.ambient, material->ambient);
            CopyColor(colours.diffuse, material->diffuse);
            CopyColor(colours.specular, material->specular);
            MaterialTint(*material, colours.tint);
            CRenderer::UploadDynamic(materialBuffer, &colours, sizeof colours);
            renderer.BindConstantBuffer(kSlotMaterial, materialBuffer);
            // A material without a texture samples white, tinted with its own
            // colour, rather than whatever texture an earlier draw left bound.
            renderer.BindTexture(0, material->texture ? material->texture : renderer.WhiteTexture());
            if (mesh->indexCounts[i] == 0) continue;
            renderer.SetIndexBuffer(mesh->indexBuffers[i]);
            glDrawElements(GL_TRIANGLES, mesh->indexCounts[i], GL_UNSIGNED_INT, nullptr);
        }
    }
}

void CRenderModelGpu::ReleaseGpu() {
    for (CRenderMesh* mesh : meshes) {
        glDeleteBuffers(1, &mesh->vertexBuffer);
        if (mesh->indexBuffers.Count() > 0) glDeleteBuffers(mesh->indexBuffers.Count(), mesh->indexBuffers.begin());
        if (mesh->vertexArray) glDeleteVertexArrays(1, &mesh->vertexArray);
        mesh->vertexBuffer = 0;
        mesh->vertexArray = 0;
        for (unsigned int& b : mesh->indexBuffers) b = 0;
        for (CRenderMaterial* m : mesh->materials) m->texture = 0;
    }
    for (unsigned int& t : textures) {
        if (t) glDeleteTextures(1, &t);
        t = 0;
    }
    glDeleteBuffers(1, &materialBuffer);
    glDeleteBuffers(1, &skinningBuffer);
    materialBuffer = 0;
    skinningBuffer = 0;
}
