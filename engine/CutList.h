// Cut lists of a run's scenes (SceneRecord) as files other programs read: a CSV table (one row
// per scene: index, first and last frame, start and end as clock timecode and in seconds, the
// end being where the next scene starts, length in frames, score, clip file) and a CMX 3600 edit
// decision list (one cut event per scene, numbered 001 to 999 and again from 001, source and
// record timecodes with exclusive out points, drop-frame counting at 29.97 and 59.94). Only
// scenes with an end are listed. Files are written whole under a temporary name and renamed over
// the target, so a failure never leaves half a list. Any thread.
#pragma once

#include "engine/SceneRecord.h"

#include <string>
#include <string_view>

namespace zentar {

std::string CutListCsv(const SceneRecord& record);

// title: the EDL's TITLE line (the input's file name), reduced to what the format allows.
std::string CutListEdl(const SceneRecord& record, std::string_view title);

// Writes text into `path`; throws std::runtime_error with a message naming the file, also
// when `path` names one of the record's run files (input, project file, clips), which a list
// must never replace.
void WriteListFile(const SceneRecord& record, const std::string& path, std::string_view text);

// Throws that message when `path` names one of the record's run files.
void RefuseRunFile(const SceneRecord& record, const std::string& path);

} // namespace zentar
