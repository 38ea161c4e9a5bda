#pragma once
// The second desk's own folder: a copy of the meet's data folder made at
// its first start (the capture left out: the second desk records its own),
// then written only by the second desk. A file of ours, `poolside.shadow`,
// marks it and names the folder it was copied from (docs/shadow.md).

#include <optional>
#include <string>

namespace poolside {

inline constexpr const char* kShadowFileName = "poolside.shadow";

// The marker's text: "poolside-shadow 1", then "primary=FOLDER" and
// "since=SECONDS".
std::string ShadowMarkerText(const std::string& primary, long long since);
// The primary folder a marker names; none when `text` is not a marker.
std::optional<std::string> ParseShadowMarker(const std::string& text);

struct ShadowPrepared {
  bool ok = false;
  bool copied = false;  // this was the first start: the meet's files were copied
  std::string primary;  // the folder the marker names
  std::string problem;  // when !ok: what failed, naming the folder or file
};

// Makes `shadow` the second desk's folder of the meet in `primary`: at the
// first start (no marker yet) the folder is made when missing and the
// primary's files are copied into it, then the marker is written; later
// starts only read the marker. The primary folder is only read.
ShadowPrepared PrepareShadowFolder(const std::string& primary, const std::string& shadow,
                                   long long now);

}  // namespace poolside
