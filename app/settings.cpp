// Placeholder; the settings reader and writer replace it.
#include "app/settings.h"

CSettings::CSettings() {
    ModelPath.SetAscii("washitu1.dae");
    ExtModel.SetAscii(".mdl");
    ExtAnim.SetAscii(".ani");
    ExtDae.SetAscii(".dae");
    ImgPath.SetAscii("img");
    TextureCloudName.SetAscii("cloud.png");
    TextureStarName.SetAscii("star.png");
    TextureMoonName.SetAscii("moon.png");
}
bool CSettings::Read(std::string_view) { return true; }
bool CSettings::ReadFile(const std::string&) { return false; }
std::string CSettings::Serialize() const { return {}; }
bool CSettings::Write(const std::string&) const { return false; }
