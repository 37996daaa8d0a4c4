#include "bench/skinned_dae_generator.h"

#include <charconv>
#include <cmath>

namespace {

void Num(std::string& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 7);
    out.append(buf, r.ptr);
    out += ' ';
}

void Int(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
    out += ' ';
}

void FloatSource(std::string& out, const std::string& id, long long count, int stride, const auto& fill) {
    out += "<source id=\"" + id + "\"><float_array id=\"" + id + "-array\" count=\"" + std::to_string(count) + "\">";
    fill(out);
    out += "</float_array><technique_common><accessor source=\"#" + id + "-array\" count=\"" +
           std::to_string(count / stride) + "\" stride=\"" + std::to_string(stride) +
           "\"/></technique_common></source>\n";
}

}  // namespace

std::string GenerateSkinnedDae(long long triangles) {
    const long long side = std::max(1LL, static_cast<long long>(std::llround(std::sqrt(triangles / 2.0))));
    const long long verts = (side + 1) * (side + 1);
    const long long tris = 2 * side * side;
    const int joints = 4;
    std::string out;
    out.reserve(static_cast<std::size_t>(tris * 70 + verts * 90));
    out +=
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" "
        "version=\"1.4.1\">\n";
    out +=
        "<library_effects><effect id=\"fx\"><profile_COMMON><technique sid=\"common\"><phong><diffuse><color "
        "sid=\"diffuse\">0.8 0.7 0.6 "
        "1</color></diffuse></phong></technique></profile_COMMON></effect></library_effects>\n";
    out += "<library_materials><material id=\"mat\"><instance_effect url=\"#fx\"/></material></library_materials>\n";
    out += "<library_geometries><geometry id=\"grid-mesh\"><mesh>\n";
    FloatSource(out, "grid-positions", verts * 3, 3, [&](std::string& o) {
        for (long long y = 0; y <= side; ++y)
            for (long long x = 0; x <= side; ++x) {
                Num(o, x * 0.01);
                Num(o, y * 0.01);
                Num(o, std::sin(x * 0.1) * std::cos(y * 0.1) * 0.05);
            }
    });
    FloatSource(out, "grid-normals", verts * 3, 3, [&](std::string& o) {
        for (long long i = 0; i < verts; ++i) {
            Num(o, std::sin(i * 0.001) * 0.1);
            Num(o, std::cos(i * 0.001) * 0.1);
            Num(o, 0.9899495);
        }
    });
    FloatSource(out, "grid-uv", verts * 2, 2, [&](std::string& o) {
        for (long long y = 0; y <= side; ++y)
            for (long long x = 0; x <= side; ++x) {
                Num(o, static_cast<double>(x) / side);
                Num(o, static_cast<double>(y) / side);
            }
    });
    out += "<vertices id=\"grid-vertices\"><input semantic=\"POSITION\" source=\"#grid-positions\"/></vertices>\n";
    out += "<polylist material=\"mat\" count=\"" + std::to_string(tris) +
           "\">"
           "<input semantic=\"VERTEX\" source=\"#grid-vertices\" offset=\"0\"/>"
           "<input semantic=\"NORMAL\" source=\"#grid-normals\" offset=\"1\"/>"
           "<input semantic=\"TEXCOORD\" source=\"#grid-uv\" offset=\"2\" set=\"0\"/><vcount>";
    for (long long t = 0; t < tris; ++t) out += "3 ";
    out += "</vcount>\n<p>";
    for (long long y = 0; y < side; ++y)
        for (long long x = 0; x < side; ++x) {
            const long long a = y * (side + 1) + x, b = a + 1, c = a + side + 1, d = c + 1;
            for (long long v : {a, b, d, a, d, c}) {
                Int(out, v);
                Int(out, v);
                Int(out, v);
            }
        }
    out += "</p></polylist></mesh></geometry></library_geometries>\n";

    out +=
        "<library_controllers><controller id=\"skin\"><skin source=\"#grid-mesh\">"
        "<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>\n"
        "<source id=\"skin-joints\"><Name_array id=\"skin-joints-array\" count=\"4\">J0 J1 J2 "
        "J3</Name_array></source>\n";
    FloatSource(out, "skin-bind_poses", joints * 16, 16, [&](std::string& o) {
        for (int j = 0; j < joints; ++j)
            for (int e = 0; e < 16; ++e) Num(o, e % 5 == 0 ? 1.0 : (e == 3 ? -0.25 * j : 0.0));
    });
    FloatSource(out, "skin-weights", verts * 2, 1, [&](std::string& o) {
        for (long long i = 0; i < verts; ++i) {
            const double w = 0.25 + 0.5 * ((i % 97) / 97.0);
            Num(o, w);
            Num(o, 1.0 - w);
        }
    });
    out +=
        "<joints><input semantic=\"JOINT\" source=\"#skin-joints\"/><input semantic=\"INV_BIND_MATRIX\" "
        "source=\"#skin-bind_poses\"/></joints>\n";
    out += "<vertex_weights count=\"" + std::to_string(verts) +
           "\"><input semantic=\"JOINT\" source=\"#skin-joints\" offset=\"0\"/>"
           "<input semantic=\"WEIGHT\" source=\"#skin-weights\" offset=\"1\"/><vcount>";
    for (long long i = 0; i < verts; ++i) out += "2 ";
    out += "</vcount>\n<v>";
    for (long long i = 0; i < verts; ++i) {
        const long long x = i % (side + 1);
        const int j = static_cast<int>(x * joints / (side + 1));
        Int(out, j);
        Int(out, 2 * i);
        Int(out, (j + 1) % joints);
        Int(out, 2 * i + 1);
    }
    out += "</v></vertex_weights></skin></controller></library_controllers>\n";

    const int keys = 30;
    out += "<library_animations>";
    for (int j = 0; j < joints; ++j) {
        std::string id = "J";
        id += std::to_string(j);
        id += "-anim";
        out += "<animation id=\"" + id + "\">";
        FloatSource(out, id + "-input", keys, 1, [&](std::string& o) {
            for (int k = 0; k < keys; ++k) Num(o, k / 24.0);
        });
        FloatSource(out, id + "-output", keys * 16, 16, [&](std::string& o) {
            for (int k = 0; k < keys; ++k) {
                const double a = 0.05 * k;
                const double m[16] = {
                    std::cos(a), -std::sin(a), 0, 0.25, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
                for (double e : m) Num(o, e);
            }
        });
        out += "<sampler id=\"" + id + "-sampler\"><input semantic=\"INPUT\" source=\"#" + id +
               "-input\"/>"
               "<input semantic=\"OUTPUT\" source=\"#" +
               id +
               "-output\"/></sampler>"
               "<channel source=\"#" +
               id + "-sampler\" target=\"J" + std::to_string(j) + "/transform\"/></animation>\n";
    }
    out +=
        "</library_animations>\n<library_visual_scenes><visual_scene id=\"scene\">"
        "<node id=\"Armature\" type=\"NODE\">";
    for (int j = 0; j < joints; ++j)
        out += "<node id=\"J" + std::to_string(j) + "\" sid=\"J" + std::to_string(j) +
               "\" type=\"JOINT\"><matrix sid=\"transform\">1 0 0 0.25 0 1 0 0 0 0 1 0 0 0 0 1</matrix>";
    for (int j = 0; j < joints; ++j) out += "</node>";
    out +=
        "</node><node id=\"grid\" type=\"NODE\"><instance_controller url=\"#skin\"/></node>"
        "</visual_scene></library_visual_scenes>\n</COLLADA>\n";
    return out;
}

std::string GenerateJointsDae(int joints, int channelEvery) {
    std::string out;
    out +=
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" "
        "version=\"1.4.1\">\n";
    out += "<library_geometries><geometry id=\"g\"><mesh>";
    FloatSource(out, "g-pos", 9, 3, [](std::string& o) { o += "0 0 0 1 0 0 0 1 0"; });
    out +=
        "<vertices id=\"g-v\"><input semantic=\"POSITION\" source=\"#g-pos\"/></vertices>"
        "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#g-v\" offset=\"0\"/><p>0 1 2</p></triangles>"
        "</mesh></geometry></library_geometries>\n";
    out += "<library_controllers><controller id=\"skin\"><skin source=\"#g\">";
    out += "<source id=\"joints\"><Name_array id=\"joints-array\" count=\"" + std::to_string(joints) + "\">";
    for (int j = 0; j < joints; ++j) out += "j" + std::to_string(j) + (j + 1 < joints ? " " : "");
    out += "</Name_array></source>";
    FloatSource(out, "ibm", 16, 16, [](std::string& o) { o += "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1"; });
    FloatSource(out, "w", 1, 1, [](std::string& o) { o += "1"; });
    out +=
        "<joints><input semantic=\"JOINT\" source=\"#joints\"/><input semantic=\"INV_BIND_MATRIX\" "
        "source=\"#ibm\"/></joints>"
        "<vertex_weights count=\"3\"><input semantic=\"JOINT\" source=\"#joints\" offset=\"0\"/>"
        "<input semantic=\"WEIGHT\" source=\"#w\" offset=\"1\"/><vcount>1 1 1</vcount><v>0 0 0 0 0 "
        "0</v></vertex_weights>"
        "</skin></controller></library_controllers>\n";
    out += "<library_animations>";
    for (int j = 0; channelEvery > 0 && j < joints; j += channelEvery) {
        const std::string n = std::to_string(j);
        out += "<animation><source id=\"t" + n + "\"><float_array count=\"1\">0</float_array></source><source id=\"m" +
               n +
               "\"><float_array count=\"16\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source><sampler id=\"s" +
               n + "\"><input semantic=\"INPUT\" source=\"#t" + n + "\"/><input semantic=\"OUTPUT\" source=\"#m" + n +
               "\"/></sampler><channel source=\"#s" + n + "\" target=\"j" + n + "/transform\"/></animation>\n";
    }
    out += "</library_animations>\n<library_visual_scenes><visual_scene id=\"s\"><node id=\"root\">\n";
    for (int j = 0; j < joints; ++j) {
        const std::string n = "j" + std::to_string(j);
        out += "<node id=\"" + n + "\" sid=\"" + n + "\" type=\"JOINT\"/>\n";
    }
    out += "</node></visual_scene></library_visual_scenes>\n</COLLADA>\n";
    return out;
}
