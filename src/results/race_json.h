#pragma once
// The JSON of one race: written to export\rNNNN.json and served as
// /api/races/N. One schema, this one encoder; docs/export.md lists every key.
//
// {"race":7,"race_text":"0007","book_status":"6","program":3,"heat":1,"heats":2,
//  "sex":{"code":"1","label":"男子"},"class":{"code":"10-12","low":10,"high":12,"label":"10-12才"},
//  "event":{"code":3,"label":"100m自由形"},"round":{"code":"1","label":"予選"},
//  "finished_at":"2026-12-09T10:15:30+09:00","complete":true,"problems":[],
//  "lanes":[{"lane":1,"entry":1001,"rank":1,"packed":10234,"hundredths":6234,
//            "text":"1:02.34","status":"time","goal_read":true,"laps_read":true,
//            "splits":[{"distance":50,"text":"29.50","hundredths":2950,"kind":"L"}, ...]},
//           ... ten lanes]}

#include <string>

#include "results/race_result.h"

namespace poolside {

// Compact UTF-8 JSON, no line breaks; safe inside HTML (see JsonWriter).
std::string RaceJson(const RaceResult& result);

class JsonWriter;
// The same object written into a larger document (a list of races, a
// WebSocket message) at the writer's current position.
void WriteRaceJson(JsonWriter& out, const RaceResult& result);

}  // namespace poolside
