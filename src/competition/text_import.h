#pragma once
// Old-data import: rebuilds a data file from its text copy on drive a:.
// Each operation builds the new file beside the old one and renames it over
// the old one only when complete; any failure throws RuntimeError naming the
// text file, the record number and the item, and leaves the data file as it
// was.

#include <string>

namespace poolside {

void ImportMeet(const std::string& textPath, const std::string& dataPath);  // qkyogi -> Taikai.dat
void ImportProgramOrder(const std::string& textPath,
                        const std::string& dataPath);  // qpro -> Projun.dat
void ImportRecords(const std::string& textPath,
                   const std::string& dataPath);                              // Qsik -> Shikaku.dat
void ImportPages(const std::string& textPath, const std::string& dataPath);   // qhpro -> Hpro.dat
void ImportRelays(const std::string& textPath, const std::string& dataPath);  // qrlay -> Relay.dat

}  // namespace poolside
