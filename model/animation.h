#pragma once
// Animations: one channel per animated bone, each a list of key times with
// one local-transform matrix per key.
#include "model/array.h"
#include "platform/name.h"

struct CBone;

struct CMatrixValue {
    float m[16];
};

struct CAnimationChannel {
    CName targetId;                          // ID of the animated bone
    CBone* bone = nullptr;                   // owned by the model
    CValueArray<float> keyTimes;             // ascending, in the source's time unit
    CValueArray<CMatrixValue> poseMatrices;  // one per key time
};

class CAnimation {
public:
    CName id;
    CPtrArray<CAnimationChannel> channels;
};
