// The silent-mode outlet for messages: "Pellumara_Install.log" in the folder
// the setup was started from, appended to and never truncated.
#pragma once

constexpr char kSetupLogName[] = "Pellumara_Install.log";

// Takes the current directory as the log's folder. Called once at start-up,
// before any step changes the current directory (the extraction leaves it
// at the target folder). Until then, or when it cannot be read, the log is
// written in whatever the current directory is.
void TakeSetupLogFolder();

// Appends one entry (date, time, message, separator line). An entry that
// cannot be written is lost without any report.
void WriteSetupLog(const char* message);
