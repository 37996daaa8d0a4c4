#pragma once
// Where the programs find their data (model/washitu, pict, img), read and
// write config.ini and save screenshots. Two ways of running:
//   portable:  started from a folder that holds model/washitu (a checkout),
//              or a build that is not installed: everything as it always was,
//              relative to the start folder;
//   installed: the data in PREFIX/share/vorland beside the executable's bin/
//              (or libexec/vorland/), settings under $XDG_CONFIG_HOME/vorland
//              unless the start folder holds a config.ini, screenshots in the
//              user's pictures folder.
#include <string>

struct DataPathInputs {
    std::string startDir;     // the working directory at start, absolute
    std::string executable;   // the running program's file
    std::string home;         // $HOME
    std::string configHome;   // $XDG_CONFIG_HOME
    std::string picturesDir;  // $XDG_PICTURES_DIR
};

struct DataPaths {
    std::string dataDir;         // holds model/, pict/, img/
    bool dataInStartDir = true;  // relative data names resolve as they always did
    std::string configDir;       // the folder whose config.ini is read and written
    std::string screenshotDir;   // where F12 saves
};

// The share/vorland of an installation the executable belongs to (it holds
// model/), or "" when it runs from a build folder.
std::string InstalledDataDir(const std::string& executable);
DataPaths ResolveDataPaths(const DataPathInputs& in);

// This process: the working directory, /proc/self/exe and the environment.
DataPathInputs ThisProcessInputs();
// A data file or folder named relative to the data folder ("pict/X.png",
// "model/washitu"): unchanged when portable or when absolute, else the
// installed copy's path.
std::string DataFile(const std::string& name);
// A helper program of this one: beside the executable, else in the
// installation's libexec/vorland/.
std::string HelperProgram(const std::string& executable, const std::string& name);
