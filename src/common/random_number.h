// A number from the system's random source, for the names of the setup's
// own files and folders, which nobody may foresee.
#pragma once

unsigned RandomNumber();
