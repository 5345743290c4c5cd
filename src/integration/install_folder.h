// Proposing the target folder: an earlier installation's folder, else the
// default under Program Files.
#pragma once

// 1 with the earlier installation's folder in out (260 bytes), else 0 with
// out empty.
int FindPreviousInstallFolder(char* out);

// Writes the default folder into out (260 bytes); always 1.
int DefaultInstallFolder(char* out);

// FindPreviousInstallFolder, else DefaultInstallFolder; 1 when the folder
// is the earlier installation's.
int ProposeTargetFolder(char* out);
