#pragma once
// A small room for the display window tests: three COLLADA files in
// model/washitu and the three sky images in img, written into a temporary
// folder that becomes the working directory while a test runs.
#include <QDir>
#include <QImage>
#include <QString>

#include <fstream>
#include <memory>
#include <string>

#include "tests/core/test_files.h"
#include "model/model.h"
#include "scene/scene.h"

namespace displaytest {

// The status of the last event of `kind` once the scene is idle; a failure
// when there is none.
inline Status LastEvent(Scene& scene, SceneEvent::Kind kind) {
    scene.WaitUntilIdle();
    Status last = Status::Failure("no event");
    for (SceneEvent& e : scene.TakeEvents())
        if (e.kind == kind) last = e.status;
    return last;
}
// Replaces the scene's model and waits: true when the new one was built.
inline bool ReplaceAndWait(Scene& scene, std::unique_ptr<CModel> model) {
    scene.ReplaceModel(std::move(model));
    return LastEvent(scene, SceneEvent::Kind::ModelOpened).IsOk();
}
// Adds the animation of an .ani file and waits: true when it was read.
inline bool AddAndWait(Scene& scene, const std::string& path) {
    scene.AddAnimation(path);
    return LastEvent(scene, SceneEvent::Kind::AnimationAdded).IsOk();
}

// One quad (two triangles) with a normal and a single diffuse colour.
inline std::string QuadDocument(const std::string& corners, const std::string& normal, const std::string& colour) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">"
           "<library_effects><effect id=\"e\"><profile_COMMON><technique sid=\"common\"><phong>"
           "<diffuse><color>" +
           colour +
           "</color></diffuse></phong></technique></profile_COMMON></effect>"
           "</library_effects>"
           "<library_materials><material id=\"m\" name=\"m\"><instance_effect url=\"#e\"/></material>"
           "</library_materials>"
           "<library_geometries><geometry id=\"g\"><mesh>"
           "<source id=\"g-pos\"><float_array id=\"g-pos-a\" count=\"12\">" +
           corners +
           "</float_array>"
           "<technique_common><accessor source=\"#g-pos-a\" count=\"4\" stride=\"3\"/></technique_common></source>"
           "<source id=\"g-nrm\"><float_array id=\"g-nrm-a\" count=\"3\">" +
           normal +
           "</float_array>"
           "<technique_common><accessor source=\"#g-nrm-a\" count=\"1\" stride=\"3\"/></technique_common></source>"
           "<vertices id=\"g-verts\"><input semantic=\"POSITION\" source=\"#g-pos\"/></vertices>"
           "<triangles material=\"m\" count=\"2\">"
           "<input semantic=\"VERTEX\" source=\"#g-verts\" offset=\"0\"/>"
           "<input semantic=\"NORMAL\" source=\"#g-nrm\" offset=\"1\"/>"
           "<p>0 0 1 0 2 0 0 0 2 0 3 0</p></triangles>"
           "</mesh></geometry></library_geometries></COLLADA>\n";
}

inline bool WriteText(const QString& path, const std::string& text) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// The current model: an upright quad 2 wide between the default camera and
// the room's back, facing the camera (+Y). Room 2: a floor; room 3: a back
// wall.
inline bool WriteRoom(const QString& root) {
    QDir dir(root);
    if (!dir.mkpath("model/washitu") || !dir.mkpath("img")) return false;
    const QString room = dir.filePath("model/washitu/");
    bool ok = WriteText(room + "washitu1.dae",
                        QuadDocument("-1 -5 0.5  1 -5 0.5  1 -5 2.5  -1 -5 2.5", "0 1 0", "0.9 0.2 0.1 1"));
    ok = WriteText(room + "washitu2.dae",
                   QuadDocument("-20 -20 0  20 -20 0  20 20 0  -20 20 0", "0 0 1", "0.2 0.8 0.2 1")) &&
         ok;
    ok = WriteText(room + "washitu3.dae",
                   QuadDocument("-20 -12 -5  20 -12 -5  20 -12 20  -20 -12 20", "0 1 0", "0.2 0.3 0.9 1")) &&
         ok;
    for (const char* name : {"cloud.png", "star.png", "moon.png"}) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor(200, 200, 220));
        ok = image.save(dir.filePath(QStringLiteral("img/") + name), "PNG") && ok;
    }
    return ok;
}

}  // namespace displaytest
