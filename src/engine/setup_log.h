// The silent-mode outlet for messages: "Pellumara_Install.log" in the current
// directory, appended to and never truncated.
#pragma once

constexpr char kSetupLogName[] = "Pellumara_Install.log";

// Appends one entry (date, time, message, separator line). An entry that
// cannot be written is lost without any report.
void WriteSetupLog(const char* message);
