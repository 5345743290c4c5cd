// The silent-mode outlet for messages: "Pellumara_Install.log" in the folder
// the setup was started from, appended to and never truncated.
#pragma once

constexpr char kSetupLogName[] = "Pellumara_Install.log";

// Takes the current directory, the folder the setup was started from, as
// the log's folder. Called once at start-up; the log never follows a later
// change of the current directory. Until then, or when it cannot be read,
// the log is written in whatever the current directory is.
void TakeSetupLogFolder();

// Appends one entry (date, time, message, separator line) through a handle
// checked to be the real file at the log's name: a link or a hard link
// placed there is never written through. An entry that cannot be written is
// lost; the run log says why, and nothing else changes.
void WriteSetupLog(const char* message);
