#include "model/animation.h"

CAnimation::~CAnimation() {
    for (CAnimationChannel* c : channels) delete c;
}
