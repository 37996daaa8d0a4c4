#include "tools/scenegen/dae_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace scenegen {
namespace {

// Writes numbers and words separated by single spaces, wrapping lines so the
// files stay readable in a text editor.
class ListWriter {
public:
    explicit ListWriter(std::string& out) : out_(out) {}
    void Word(const std::string& w) {
        if (count_ > 0) out_ += (count_ % 12 == 0) ? "\n" : " ";
        out_ += w;
        ++count_;
    }
    void Number(double v) { Word(FormatNumber(v)); }
    void Int(long v) { Word(std::to_string(v)); }

private:
    std::string& out_;
    int count_ = 0;
};

std::string MatrixText(const Mat4& m) {
    std::string s;
    for (int i = 0; i < 16; ++i) {
        if (i) s += ' ';
        s += FormatNumber(m.m[i]);
    }
    return s;
}

void FloatSource(std::string& o, const std::string& id, const std::vector<double>& values, int stride,
                 const std::vector<std::string>& params, const char* type = "float") {
    o += "        <source id=\"" + id + "\">\n          <float_array id=\"" + id + "-array\" count=\"" +
         std::to_string(values.size()) + "\">";
    ListWriter w(o);
    for (double v : values) w.Number(v);
    o += "</float_array>\n          <technique_common>\n            <accessor source=\"#" + id + "-array\" count=\"" +
         std::to_string(values.size() / stride) + "\" stride=\"" + std::to_string(stride) + "\">\n";
    for (const std::string& p : params) o += "              <param name=\"" + p + "\" type=\"" + type + "\"/>\n";
    o += "            </accessor>\n          </technique_common>\n        </source>\n";
}

void NameSource(std::string& o, const std::string& id, const std::vector<std::string>& names, const char* param) {
    o += "        <source id=\"" + id + "\">\n          <Name_array id=\"" + id + "-array\" count=\"" +
         std::to_string(names.size()) + "\">";
    ListWriter w(o);
    for (const std::string& n : names) w.Word(n);
    o += "</Name_array>\n          <technique_common>\n            <accessor source=\"#" + id + "-array\" count=\"" +
         std::to_string(names.size()) + "\" stride=\"1\">\n              <param name=\"" + param +
         "\" type=\"name\"/>\n            </accessor>\n          </technique_common>\n        </source>\n";
}

std::string ImageId(const DaeMaterial& m) { return m.id + "-image"; }

void WriteImages(std::string& o, const DaeDocument& doc) {
    o += "  <library_images>\n";
    for (const DaeMaterial& m : doc.materials) {
        if (m.imageFile.empty()) continue;
        bool seen = false;
        for (const DaeMaterial& e : doc.materials) {
            if (&e == &m) break;
            seen = seen || e.imageFile == m.imageFile;
        }
        if (seen) continue;
        o += "    <image id=\"" + ImageId(m) + "\" name=\"" + ImageId(m) + "\">\n      <init_from>" + m.imageFile +
             "</init_from>\n    </image>\n";
    }
    o += "  </library_images>\n";
}

std::string ImageIdFor(const DaeDocument& doc, const DaeMaterial& m) {
    for (const DaeMaterial& e : doc.materials)
        if (e.imageFile == m.imageFile) return ImageId(e);
    return ImageId(m);
}

void WriteEffects(std::string& o, const DaeDocument& doc) {
    o += "  <library_effects>\n";
    for (const DaeMaterial& m : doc.materials) {
        o += "    <effect id=\"" + m.id + "-effect\">\n      <profile_COMMON>\n";
        std::string diffuse;
        if (!m.imageFile.empty()) {
            o += "        <newparam sid=\"" + m.id +
                 "-surface\">\n          <surface type=\"2D\">\n            <init_from>" + ImageIdFor(doc, m) +
                 "</init_from>\n          </surface>\n        </newparam>\n";
            o += "        <newparam sid=\"" + m.id + "-sampler\">\n          <sampler2D>\n            <source>" + m.id +
                 "-surface</source>\n          </sampler2D>\n        </newparam>\n";
            diffuse = "<texture texture=\"" + m.id + "-sampler\" texcoord=\"UVMap\"/>";
        } else {
            diffuse = "<color sid=\"diffuse\">" + FormatNumber(m.colour[0]) + " " + FormatNumber(m.colour[1]) + " " +
                      FormatNumber(m.colour[2]) + " " + FormatNumber(m.colour[3]) + "</color>";
        }
        o += "        <technique sid=\"common\">\n          <phong>\n"
             "            <emission><color sid=\"emission\">0 0 0 1</color></emission>\n"
             "            <ambient><color sid=\"ambient\">0 0 0 1</color></ambient>\n"
             "            <diffuse>" +
             diffuse +
             "</diffuse>\n"
             "            <specular><color sid=\"specular\">0.1 0.1 0.1 1</color></specular>\n"
             "            <shininess><float sid=\"shininess\">20</float></shininess>\n"
             "          </phong>\n        </technique>\n      </profile_COMMON>\n    </effect>\n";
    }
    o += "  </library_effects>\n";
}

void WriteMaterials(std::string& o, const DaeDocument& doc) {
    o += "  <library_materials>\n";
    for (const DaeMaterial& m : doc.materials)
        o += "    <material id=\"" + m.id + "\" name=\"" + m.id + "\">\n      <instance_effect url=\"#" + m.id +
             "-effect\"/>\n    </material>\n";
    o += "  </library_materials>\n";
}

void WriteGeometry(std::string& o, const DaeDocument& doc) {
    const std::string g = doc.name + "-mesh";
    std::vector<double> pos, nrm, uv;
    for (const Vertex& v : doc.mesh.vertices) {
        pos.insert(pos.end(), {v.position.x, v.position.y, v.position.z});
        nrm.insert(nrm.end(), {v.normal.x, v.normal.y, v.normal.z});
        uv.insert(uv.end(), {v.uv.x, v.uv.y});
    }
    o += "  <library_geometries>\n    <geometry id=\"" + g + "\" name=\"" + doc.name + "\">\n      <mesh>\n";
    FloatSource(o, g + "-positions", pos, 3, {"X", "Y", "Z"});
    FloatSource(o, g + "-normals", nrm, 3, {"X", "Y", "Z"});
    FloatSource(o, g + "-map", uv, 2, {"S", "T"});
    o += "        <vertices id=\"" + g + "-vertices\">\n          <input semantic=\"POSITION\" source=\"#" + g +
         "-positions\"/>\n        </vertices>\n";
    for (const TriangleGroup& grp : doc.mesh.groups) {
        o += "        <triangles material=\"" + grp.material + "\" count=\"" + std::to_string(grp.indices.size() / 3) +
             "\">\n"
             "          <input semantic=\"VERTEX\" source=\"#" +
             g + "-vertices\" offset=\"0\"/>\n          <input semantic=\"NORMAL\" source=\"#" + g +
             "-normals\" offset=\"0\"/>\n          <input semantic=\"TEXCOORD\" source=\"#" + g +
             "-map\" offset=\"0\" set=\"0\"/>\n          <p>";
        ListWriter w(o);
        for (int i : grp.indices) w.Int(i);
        o += "</p>\n        </triangles>\n";
    }
    o += "      </mesh>\n    </geometry>\n  </library_geometries>\n";
}

void WriteController(std::string& o, const DaeDocument& doc) {
    const std::string c = doc.name + "-skin";
    std::vector<std::string> names;
    for (const DaeJoint& j : doc.joints) names.push_back(j.name);
    std::vector<double> inv;
    for (const Mat4& m : GlobalBindPoses(doc.joints)) {
        const Mat4 i = m.RigidInverse();
        inv.insert(inv.end(), i.m.begin(), i.m.end());
    }
    std::vector<double> weights;
    std::vector<long> vcount, v;
    for (const Vertex& vert : doc.mesh.vertices) {
        vcount.push_back(static_cast<long>(vert.weights.size()));
        for (const auto& [joint, weight] : vert.weights) {
            v.push_back(joint);
            v.push_back(static_cast<long>(weights.size()));
            weights.push_back(weight);
        }
    }
    o += "  <library_controllers>\n    <controller id=\"" + c + "\" name=\"" + doc.name +
         "Skin\">\n      <skin source=\"#" + doc.name +
         "-mesh\">\n        <bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>\n";
    NameSource(o, c + "-joints", names, "JOINT");
    FloatSource(o, c + "-bind_poses", inv, 16, {"TRANSFORM"}, "float4x4");
    FloatSource(o, c + "-weights", weights, 1, {"WEIGHT"});
    o += "        <joints>\n          <input semantic=\"JOINT\" source=\"#" + c +
         "-joints\"/>\n          <input semantic=\"INV_BIND_MATRIX\" source=\"#" + c +
         "-bind_poses\"/>\n        </joints>\n        <vertex_weights count=\"" +
         std::to_string(doc.mesh.vertices.size()) + "\">\n          <input semantic=\"JOINT\" source=\"#" + c +
         "-joints\" offset=\"0\"/>\n          <input semantic=\"WEIGHT\" source=\"#" + c +
         "-weights\" offset=\"1\"/>\n          <vcount>";
    {
        ListWriter w(o);
        for (long n : vcount) w.Int(n);
    }
    o += "</vcount>\n          <v>";
    {
        ListWriter w(o);
        for (long n : v) w.Int(n);
    }
    o += "</v>\n        </vertex_weights>\n      </skin>\n    </controller>\n  </library_controllers>\n";
}

void WriteAnimations(std::string& o, const DaeDocument& doc) {
    o += "  <library_animations>\n    <animation id=\"" + doc.name + "-action\" name=\"" + doc.name + "Action\">\n";
    for (const DaeChannel& ch : doc.channels) {
        const std::string& joint = doc.joints[ch.joint].name;
        const std::string a = joint + "-anim";
        o += "      <animation id=\"" + a + "\">\n";
        std::string inner;
        FloatSource(inner, a + "-input", ch.times, 1, {"TIME"});
        std::vector<double> out;
        for (const Mat4& m : ch.matrices) out.insert(out.end(), m.m.begin(), m.m.end());
        FloatSource(inner, a + "-output", out, 16, {"TRANSFORM"}, "float4x4");
        NameSource(inner, a + "-interpolation", std::vector<std::string>(ch.times.size(), "LINEAR"), "INTERPOLATION");
        o += inner;
        o += "        <sampler id=\"" + a + "-sampler\">\n          <input semantic=\"INPUT\" source=\"#" + a +
             "-input\"/>\n          <input semantic=\"OUTPUT\" source=\"#" + a +
             "-output\"/>\n          <input semantic=\"INTERPOLATION\" source=\"#" + a +
             "-interpolation\"/>\n        </sampler>\n        <channel source=\"#" + a + "-sampler\" target=\"" +
             joint + "/transform\"/>\n      </animation>\n";
    }
    o += "    </animation>\n  </library_animations>\n";
}

void WriteJointNode(std::string& o, const DaeDocument& doc, int index, int depth) {
    const std::string pad(static_cast<size_t>(depth) * 2, ' ');
    const DaeJoint& j = doc.joints[index];
    o += pad + "<node id=\"" + j.name + "\" name=\"" + j.name + "\" sid=\"" + j.name + "\" type=\"JOINT\">\n" + pad +
         "  <matrix sid=\"transform\">" + MatrixText(j.local) + "</matrix>\n";
    for (size_t c = 0; c < doc.joints.size(); ++c)
        if (doc.joints[c].parent == index) WriteJointNode(o, doc, static_cast<int>(c), depth + 1);
    o += pad + "</node>\n";
}

void WriteScene(std::string& o, const DaeDocument& doc) {
    const std::string identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1";
    o += "  <library_visual_scenes>\n    <visual_scene id=\"Scene\" name=\"Scene\">\n";
    if (!doc.joints.empty()) {
        o += "      <node id=\"Armature\" name=\"Armature\" type=\"NODE\">\n        <matrix sid=\"transform\">" +
             identity + "</matrix>\n";
        for (size_t j = 0; j < doc.joints.size(); ++j)
            if (doc.joints[j].parent < 0) WriteJointNode(o, doc, static_cast<int>(j), 4);
        o += "      </node>\n";
    }
    o += "      <node id=\"" + doc.name + "\" name=\"" + doc.name +
         "\" type=\"NODE\">\n        <matrix sid=\"transform\">" + identity + "</matrix>\n";
    std::string bind = "          <bind_material>\n            <technique_common>\n";
    for (const DaeMaterial& m : doc.materials)
        bind += "              <instance_material symbol=\"" + m.id + "\" target=\"#" + m.id +
                "\">\n                <bind_vertex_input semantic=\"UVMap\" input_semantic=\"TEXCOORD\" "
                "input_set=\"0\"/>\n              </instance_material>\n";
    bind += "            </technique_common>\n          </bind_material>\n";
    if (!doc.joints.empty()) {
        std::string root;
        for (const DaeJoint& j : doc.joints)
            if (j.parent < 0 && root.empty()) root = j.name;
        o += "        <instance_controller url=\"#" + doc.name + "-skin\">\n          <skeleton>#" + root +
             "</skeleton>\n" + bind + "        </instance_controller>\n";
    } else {
        o += "        <instance_geometry url=\"#" + doc.name + "-mesh\" name=\"" + doc.name + "\">\n" + bind +
             "        </instance_geometry>\n";
    }
    o += "      </node>\n    </visual_scene>\n  </library_visual_scenes>\n";
}

}  // namespace

std::string FormatNumber(double v) {
    double r = std::round(v * 1e6) / 1e6;
    if (r == 0.0) return "0";  // also folds -0
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 6);
    std::string s(buf, res.ptr);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

std::vector<Mat4> GlobalBindPoses(const std::vector<DaeJoint>& joints) {
    std::vector<Mat4> global(joints.size());
    for (size_t i = 0; i < joints.size(); ++i)
        global[i] = joints[i].parent < 0 ? joints[i].local : global[joints[i].parent] * joints[i].local;
    return global;
}

std::string WriteDae(const DaeDocument& doc) {
    std::string o;
    o.reserve(1 << 20);
    o += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
         "  <asset>\n    <contributor>\n      <authoring_tool>vorland-scenegen</authoring_tool>\n    </contributor>\n"
         "    <created>2026-01-01T00:00:00</created>\n    <modified>2026-01-01T00:00:00</modified>\n"
         "    <unit name=\"meter\" meter=\"1\"/>\n    <up_axis>Z_UP</up_axis>\n  </asset>\n";
    WriteImages(o, doc);
    WriteEffects(o, doc);
    WriteMaterials(o, doc);
    WriteGeometry(o, doc);
    if (!doc.joints.empty()) WriteController(o, doc);
    if (!doc.channels.empty()) WriteAnimations(o, doc);
    WriteScene(o, doc);
    o += "  <scene>\n    <instance_visual_scene url=\"#Scene\"/>\n  </scene>\n</COLLADA>\n";
    return o;
}

}  // namespace scenegen
