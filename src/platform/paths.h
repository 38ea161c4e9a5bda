#pragma once
// Paths of the meet office's form ("c:\ctl\dr_kyo.ctl", "..\ctl\dr_kyo.ctl",
// DataFolder + "lap\r0007") mapped onto this file system.

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace poolside {

class PathMapper {
 public:
  // Drive X: maps to DefaultDriveFolder(X) until MapDrive says otherwise.
  PathMapper() = default;

  // Maps drive `letter` (either case) to the native folder `dir`.
  void MapDrive(char letter, std::string dir);
  std::string DriveFolder(char letter) const;
  static std::string DefaultDriveFolder(char letter);  // "/mnt/<letter>"

  // The data folder that a control file names is native folder `dir`
  // instead (the second desk's own folder, a copy the desk is promoted
  // into); "" maps it back to the control file's. MeetData::ReadControlFile
  // asks here, so every reader and writer of the process follows it.
  void MapDataFolder(std::string dir) { dataFolder_ = std::move(dir); }
  const std::string& DataFolderMapping() const { return dataFolder_; }

  // Native path for `path`: "\" and "/" both separate folders; "X:" starts at
  // the drive's folder; a leading "/" is a native absolute path; anything
  // else is relative to the process's working directory. Every component
  // that exists is matched without regard to ASCII letter case ("Taikai.dat"
  // finds an existing "taikai.dat"); a component that does not exist keeps
  // the name as written. "." and ".." are resolved textually.
  std::string Resolve(std::string_view path) const;

 private:
  std::map<char, std::string> drives_;
  std::string dataFolder_;
};

}  // namespace poolside
