// LoadCollada: parses the document, names the model and runs the section
// importers in their fixed order. Nothing thrown inside leaves this file.
#include <cmath>
#include <exception>
#include <new>

#include "collada/collada.h"
#include "collada/sections.h"
#include "collada/xml_dom.h"
#include "model/model_finite.h"
#include "model/model_up_axis.h"
#include "platform/cp932.h"
#include "platform/stage_timer.h"
#include "platform/text.h"

namespace {

// The document's up axis; Z (the viewer's) when it names none.
UpAxis DocumentUpAxis(pugi::xml_node document) {
    return AssetUpAxis(SelectSingleNode(document, "COLLADA/asset"), UpAxis::Z);
}

// Metres per unit of the document's <unit meter="...">; 1 when it names
// none or a value that is no length (0, negative, not a number).
double DocumentMetresPerUnit(pugi::xml_node document) {
    return AssetMetresPerUnit(SelectSingleNode(document, "COLLADA/asset"), 1.0);
}

// Fills `imported` (its notes as the importers go, its status at the end).
void RunImporters(CModel& model, XmlDocument& doc, const std::string& label, Outcome& imported) {
    const ColladaSource source{doc.Node(), doc.SourceSize(), &imported.notes};
    try {
        // A model cut short by an error is turned as well: what is kept of
        // it stands upright like the rest (as it is, should memory run out
        // while turning it after a failure).
        struct TurnAtEnd {
            CModel& model;
            UpAxis up;
            double metres;
            ~TurnAtEnd() {
                try {
                    ModelToMetres(model, metres);
                    ModelToZUp(model, up);
                } catch (const std::bad_alloc&) {}
            }
        } turn{model, DocumentUpAxis(source.document), DocumentMetresPerUnit(source.document)};
        LoadColladaImages(model, source);
        LoadColladaMaterials(model, source);
        LoadColladaGeometries(model, source);
        LoadColladaControllers(model, source);
        LoadColladaNodes(model, source);
        LoadColladaAnimations(model, source);
        const UpAxis up = turn.up;
        const double metres = turn.metres;
        turn.up = UpAxis::Z;
        turn.metres = 1.0;
        ModelToMetres(model, metres);
        ModelToZUp(model, up);
        if (Status finite = CheckModelFinite(model); !finite) imported.status = finite.About(label);
    } catch (const ColladaError& e) {
        std::string where = label;
        if (e.Offset() >= 0) where += ":" + std::to_string(doc.LineAt(e.Offset()));
        imported.status = Status::Failure(where + ": " + e.what());
    } catch (const std::bad_alloc&) {
        imported.status = Status::Failure(label + ": not enough memory to import");
    } catch (const std::exception& e) {
        imported.status = Status::Failure(label + ": " + e.what());
    }
}

}  // namespace

UpAxis AssetUpAxis(pugi::xml_node asset, UpAxis otherwise) {
    const pugi::xml_node node = asset ? SelectSingleNode(asset, "up_axis") : pugi::xml_node();
    if (!node) return otherwise;
    const std::string axis = Text(node);
    return axis == "Y_UP" ? UpAxis::Y : axis == "X_UP" ? UpAxis::X : UpAxis::Z;
}

double AssetMetresPerUnit(pugi::xml_node asset, double otherwise) {
    const pugi::xml_node unit = asset ? SelectSingleNode(asset, "unit") : pugi::xml_node();
    if (!unit || !HasAttribute(unit, "meter")) return otherwise;
    const double metres = ParseDouble(Attribute(unit, "meter"));
    return metres > 0.0 && std::isfinite(metres) ? metres : 1.0;
}

bool OwnFrame(pugi::xml_node element, AssetFrame& own, AssetFrame& document) {
    const pugi::xml_node asset = SelectSingleNode(element, "asset");
    if (!asset || (!SelectSingleNode(asset, "up_axis") && !SelectSingleNode(asset, "unit"))) return false;
    const pugi::xml_node top = SelectSingleNode(element.root(), "COLLADA/asset");
    document = {AssetUpAxis(top, UpAxis::Z), AssetMetresPerUnit(top, 1.0)};
    own = {AssetUpAxis(asset, document.up), AssetMetresPerUnit(asset, document.metres)};
    return true;
}

CName ColladaModelName(const std::string& path, const CName& ext) {
    std::u16string stem = Utf8ToUtf16(path);
    if (stem.size() >= 4 && ext.Length() == 4 && std::u16string_view(stem).substr(stem.size() - 4) == ext.View())
        stem.resize(stem.size() - 4);
    const auto sep = stem.find_last_of(u"\\/");
    CName name;
    name.Set(sep == std::u16string::npos ? std::u16string_view(stem) : std::u16string_view(stem).substr(sep + 1));
    return name;
}

Outcome LoadCollada(CModel& model, const std::string& path, const CName& ext) {
    const stage_timer::Span span("COLLADA import");
    XmlDocument doc;
    if (Status loaded = doc.LoadFile(path); !loaded) return Status::Failure(path + ": " + loaded.Why());
    model.name = ColladaModelName(path, ext);
    Outcome imported;
    RunImporters(model, doc, path, imported);
    return imported;
}

Outcome LoadColladaFromMemory(CModel& model, std::string_view document, const CName& modelName) {
    XmlDocument doc;
    const std::string label = modelName.ToUtf8();
    if (Status loaded = doc.LoadMemory(document); !loaded) return Status::Failure(label + ": " + loaded.Why());
    model.name = modelName;
    Outcome imported;
    RunImporters(model, doc, label, imported);
    return imported;
}
