// The names by which Windows and the disk know the viewer, each formed here
// once.
#pragma once

// The folder the viewer goes to by default, its Start-menu group and its
// settings folder in the application data.
constexpr char kProductFolderName[] = "Pellumara";

// The viewer's name among Windows' default programs (its value in
// HKLM\SOFTWARE\RegisteredApplications): the default-apps settings, the
// control panel's associations and a default associations file find it by
// this name.
constexpr char kRegisteredAppName[] = "Pellumara";

// The viewer's argument that opens its thumbnails view.
constexpr char kThumbnailsArgument[] = "/thumbs";
