#!/usr/bin/env bash
# scripts/check-docs passes a small tree whose documents agree with its code,
# and fails on one planted mismatch of each kind, naming the file, the line
# and what disagrees. Usage: check_docs_test.sh SOURCE_DIR
# shellcheck disable=SC2016 # the planted commands are quoted for eval in the copy
set -uo pipefail
check=$1/scripts/check-docs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
base=$work/base
mkdir -p "$base"/{src/app,src/feed,src/live,tests/fuzz,docs,packaging/man}

cat >"$base/src/app/option_table.cpp" <<'CODE'
constexpr OptionEntry kOptions[] = {
    {nullptr, nullptr, V::None, nullptr, "-platform offscreen", "run without a display"},
    {"--drive", nullptr, V::Word, SetDrive, "--drive X=DIR", "drive X: is folder DIR"},
    {"--help", "-h", V::None, SetFlag, "-h, --help", "print this help and exit"},
};
CODE
cat >"$base/src/feed/race_events.h" <<'CODE'
inline constexpr int kLanes = 10;
struct RaceShown {};
struct ClockShown {};
using RaceEvent = std::variant<RaceShown, ClockShown>;
const char* kBox = "frmRace.txtKiro";
CODE
cat >"$base/src/live/live_routes.cpp" <<'CODE'
constexpr std::array<std::string_view, 1> kAssets = {"live.css"};
RouteMatch MatchRoute(std::string_view path) {
  if (path == "/") return Found(LiveRoute::Home);
  if (path == "/scoreboard") return Found(LiveRoute::Scoreboard);
  constexpr std::string_view races = "/api/races/", assets = "/static/";
CODE
printf '// a target\n' >"$base/tests/fuzz/fuzz_console.cpp"
cat >"$base/README.md" <<'TEXT'
# Demo
Start with `poolside --drive c=/tmp/meet`; the events are in `src/feed/race_events.h`,
the layers in [the architecture](docs/architecture.md).

| option | meaning |
|---|---|
| `-platform offscreen` | no display |
| `--drive X=DIR` | drive X: is DIR |
| `--help` | the options |
TEXT
cat >"$base/packaging/man/poolside.1" <<'TEXT'
.TH POOLSIDE 1
.SH OPTIONS
.TP
.B \-platform offscreen
No display.
.TP
.BI \-\-drive " X" = DIR
Drive X: is DIR.
.TP
.BR \-h ", " \-\-help
The options.
TEXT
cat >"$base/docs/architecture.md" <<'TEXT'
# Architecture
The ten lanes are `kLanes`.

| event | published |
|---|---|
| `RaceShown` | a race on screen |
| `ClockShown` | a clock shown |
TEXT
cat >"$base/docs/glossary.md" <<'TEXT'
# Glossary
`txtKiro(3)` is lane 4's time box (`frmRace.txtKiro`).
TEXT
cat >"$base/docs/live-pages.md" <<'TEXT'
# Live pages
`/`, `/scoreboard`, `/api/races/N` and `/static/live.css`.
TEXT
cat >"$base/docs/reliability.md" <<'TEXT'
# Reliability
| target | reads |
|---|---|
| `fuzz_console` | console blocks |
TEXT

# plant KIND EXPECTED COMMAND: COMMAND, run in a copy of the tree, plants a
# mismatch; the check must name that copy in a line holding EXPECTED. All the
# copies and the agreeing tree are checked in one run.
kinds=() expectations=()
plant() {
  local tree=$work/tree${#kinds[@]}
  cp -r "$base" "$tree"
  (cd "$tree" && eval "$3")
  kinds+=("$1")
  expectations+=("$2")
}

add_option='sed -i "/--help/i\\    {\"--screenshot\", nullptr, V::Word, Set, \"--screenshot FILE\", \"save\"}," src/app/option_table.cpp'
plant "option not in README" 'README.md:7: the option list (rows "| `--...") lacks --screenshot' "$add_option"
plant "option not in the man page" 'poolside.1:1: --screenshot (src/app/option_table.cpp, line 4)' "$add_option"
plant "README row of no option" 'README.md:8: the option list names --dirve' \
  'sed -i "s/--drive X=DIR/--dirve X=DIR/" README.md'
plant "man page of no option" 'poolside.1:7: describes --drives' \
  'sed -i "s/^.BI \\\\-\\\\-drive/.BI \\\\-\\\\-drives/" packaging/man/poolside.1'
plant "document spells no option" 'docs/architecture.md:2: names --foo-bar' \
  'sed -i "2s/$/ Start it with --foo-bar./" docs/architecture.md'
plant "help text spells no option" 'option_table.cpp:3: the help text names --folder' \
  'sed -i "3s/is folder DIR/is --folder DIR/" src/app/option_table.cpp'
plant "event not in the table" 'docs/architecture.md:4: the events table lacks LaneTouched' \
  'sed -i "s/ClockShown>/ClockShown, LaneTouched>/" src/feed/race_events.h'
plant "table row of no event" 'docs/architecture.md:8: LaneGone is not an alternative' \
  'echo "| \`LaneGone\` | never |" >>docs/architecture.md'
plant "route not named" 'route /find (src/live/live_routes.cpp:5) is not named' \
  'sed -i "4a\\  if (path == \"/find\") return Found(LiveRoute::Find);" src/live/live_routes.cpp'
plant "asset not named" 'route /static/feed.js' \
  'sed -i "s/{\"live.css\"}/{\"live.css\", \"feed.js\"}/" src/live/live_routes.cpp'
plant "fuzz target not in the table" 'docs/reliability.md:2: the fuzz table lacks fuzz_lanes' \
  'touch tests/fuzz/fuzz_lanes.cpp'
plant "fuzz row of no target" 'docs/reliability.md:4: fuzz_console has no tests/fuzz/fuzz_console.cpp' \
  'rm tests/fuzz/fuzz_console.cpp'
plant "code name not in src" 'docs/glossary.md:3: `kProjunFileName` does not occur in src/' \
  'echo "The file name is \`kProjunFileName\`." >>docs/glossary.md'
plant "control name not in src" 'docs/glossary.md:2: `txtKyori` does not occur in src/' \
  'sed -i "s/frmRace.txtKiro/frmRace.txtKyori/" docs/glossary.md'
plant "file path" 'README.md:2: names src/feed/race_event.h, which does not exist' \
  'sed -i "s#src/feed/race_events.h#src/feed/race_event.h#" README.md'
plant "link" 'README.md:3: names docs/architecture.txt, which does not exist' \
  'sed -i "s#(docs/architecture.md)#(docs/architecture.txt)#" README.md'
"$check" "$base" "$work"/tree* 2>"$work/out"
failed=0
if grep -qF "$base/" "$work/out"; then
  echo "FAILED: the tree whose documents agree was refused:" >&2
  grep -F "$base/" "$work/out" >&2
  failed=1
fi
for i in "${!kinds[@]}"; do
  if ! grep -F "$work/tree$i/" "$work/out" | grep -qF -- "${expectations[$i]}"; then
    echo "FAILED: ${kinds[$i]}: no line holds \"${expectations[$i]}\":" >&2
    grep -F "$work/tree$i/" "$work/out" >&2
    failed=1
  fi
done
[[ $failed -eq 0 ]] || exit 1
echo "check-docs: the agreeing tree passes, each of ${#kinds[@]} planted mismatches fails with its file and line"
