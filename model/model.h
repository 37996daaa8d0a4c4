#pragma once
// The in-memory model: materials, textures, geometries with their vertex
// sources, polygon groups and skin weights, and the bone hierarchy. Every
// record has one owner: a CModel owns its lists' records, and its bones in
// one store of its own; the flat bone list, the root list and the tree only
// link them.
#include <memory>
#include <string>

#include "model/animation.h"
#include "model/array.h"
#include "model/bone_type.h"
#include "platform/name.h"

constexpr int MaxBoneInfluences = 8;

struct CMaterial {
    float diffuse[4] = {};
    float ambient[4] = {};
    float emission[4] = {};
    float specular[4] = {};
    CName name;         // polygon-data blocks refer to a material by this
    CName textureName;  // ID of the CTexture the material uses, or empty
};

struct CTexture {
    CName id;
    CName fileName;  // the image path as the source gave it
    // An image the source file holds inside itself (PNG or JPEG bytes);
    // fileName is empty then, until the .mdl writer stores it beside the model.
    std::string embeddedImage;
};

// One vertex source. `values` holds elements of 2, 3 or 4 floats
// (element size 8, 12 or 16); null until data is attached.
struct CFloatArray {
    CName id;
    std::unique_ptr<CArray> values;
    int FloatCount() const { return values ? values->ElementSize() / 4 : 0; }
};

struct CPolygonData {
    CName materialId;
    CName vertexId;
    CName normalId;
    CName colorId;
    CValueArray<int> vertexIndices;
    CValueArray<int> normalIndices;
    CValueArray<int> texIndices;
    CValueArray<int> colorIndices;
    CNameList texIds;  // one texture-coordinate source per set
};

struct CBoneWeight {
    float boneIndex = 0.0f;  // whole number: index into the model's flat bone list
    float weight = 0.0f;
};

// Skin weights of one geometry: `rows` rows of MaxBoneInfluences entries,
// largest weight first; empty entries are (0, 0).
struct CWeights {
    explicit CWeights(int rows);
    // Rows left unset, for a reader that writes each row whole.
    struct Unset {};
    CWeights(int rows, Unset);
    ~CWeights();
    CWeights(const CWeights&) = delete;
    CWeights& operator=(const CWeights&) = delete;
    CBoneWeight* Row(int row) const { return row >= 0 && row < rows_ ? entries_ + row * MaxBoneInfluences : nullptr; }
    int Rows() const { return rows_; }

private:
    int rows_;
    CBoneWeight* entries_;
    bool unset_ = false;  // storage from AllocateLargeBlock, else calloc
};

struct CGeometry {
    CName id;
    float bindShapeMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int vertexCount = 0;
    CPtrArray<CFloatArray> floatArrays;
    CPtrArray<CPolygonData> polygonData;
    std::unique_ptr<CWeights> weights;
    int weightCount = 0;  // rows of the weight table

    CFloatArray* FindFloatArray(const CName& id) const;
};

struct CBone {
    CName id;    // animation channels target a bone by ID
    CName name;  // the bone list and the bone tree of a .mdl link by name
    float jointMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float invBindMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    CRefArray<CBone> children;  // owned by the model
    CBone* parent = nullptr;
    BoneType boneType = BoneType::Other;
};

class CModel {
public:
    CModel() = default;
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;

    CName name;
    CPtrArray<CGeometry> geometries;
    CPtrArray<CMaterial> materials;
    CPtrArray<CTexture> textures;
    CRefArray<CBone> rootBones;
    CRefArray<CBone> bones;  // flat list; skin weights index into it
    CPtrArray<CAnimation> animations;

    // A new bone owned by the model; link it into the lists and the tree.
    CBone* NewBone() { return boneRecords_.AddNew(); }
    // Frees the bones that neither list nor the tree below the roots and the
    // flat list reaches, and clears parent links to them. For a reader that
    // made bones it then could not place.
    void ReleaseUnlinkedBones();

    CBone* FindBoneByName(const CName& name) const;
    CBone* FindBoneById(const CName& id) const;
    CMaterial* FindMaterial(const CName& name) const;
    int MaterialIndex(const CName& name) const;
    int TextureIndexOfMaterial(int materialIndex) const;

private:
    CPtrArray<CBone> boneRecords_;
};
