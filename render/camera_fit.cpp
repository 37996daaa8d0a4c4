#include "render/camera_fit.h"

#include "render/renderer.h"

bool FitCameraToBox(CRenderer& r, const Bounds3& box, float aspect, bool onlyWhenOutOfView) {
    if (box.Empty()) return false;
    const OrbitView view{r.RotationX, r.RotationZ, r.At, r.Distance};
    if (onlyWhenOutOfView && ShareInView(box, view, aspect) >= 0.5f) return false;
    const OrbitView fitted = FitOrbitView(box, view, aspect);
    // The light shafts aim where the camera looks.
    const Vector3& t = r.LightTarget;
    r.LightTarget = {t.x + fitted.at.x - view.at.x, t.y + fitted.at.y - view.at.y, t.z + fitted.at.z - view.at.z};
    r.At = fitted.at;
    r.Distance = fitted.distance;
    return true;
}

void SetFrontView(CRenderer& r) {
    r.RotationX = kFrontRotationX;
    r.RotationZ = kFrontRotationZ;
}
