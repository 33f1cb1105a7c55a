// Where the envelope of a report file goes: one rule for the desktop and `qorva`.
#pragma once

#include <string>

namespace qorva {

// `output_folder` (with a separator added unless it already ends in one, so an empty folder
// gives the root), the report's file name less its last extension (a name without a dot is
// taken whole), then ".HDE", always upper case: C:\out and D:\data\ACME 2024.txt give
// C:\out\ACME 2024.HDE.
std::string EnvelopePathFor(const std::string& output_folder, const std::string& report_file);

}  // namespace qorva
