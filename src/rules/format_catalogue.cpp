#include "rules/format_catalogue.h"

namespace {

constexpr DefaultIcon kOwn = DefaultIcon::kOwnIcon;
constexpr DefaultIcon kIcon0 = DefaultIcon::kViewerIcon0;
constexpr DefaultIcon kIcon8 = DefaultIcon::kViewerIcon8;  // audio
constexpr DefaultIcon kIcon9 = DefaultIcon::kViewerIcon9;  // video
constexpr bool kImage = true;
constexpr bool kOther = false;

}  // namespace

// Each registration is {extension, type name}. A type name is usually the
// row's first extension, but not always (crw/cr2, mng/jng, swf/flv, mid/rmi
// and mpe are types of their own), and some rows register extensions that
// their list text does not show (lbm, sun, rgb).
const FormatRow FormatCatalogue[kFormatCount] = {
    /*  0 */ {"ANI", "Animated Windows Cursors", {{"ani", "ani"}}, kOwn, kImage},
    /*  1 */ {"B3D", "BodyPaint 3D Format *", {{"b3d", "b3d"}}, kIcon0, kImage},
    /*  2 */ {"BMP/DIB", "Windows Bitmap", {{"bmp", "bmp"}, {"dib", "bmp"}}, kIcon0, kImage},
    /*  3 */ {"CAM", "Casio Camera Format (JPG only) *", {{"cam", "cam"}}, kIcon0, kImage},
    /*  4 */ {"CLP", "Windows Clipboard", {{"clp", "clp"}}, kIcon0, kImage},
    /*  5 */ {"CRW/CR2", "Canon RAW Format *", {{"crw", "crw"}, {"cr2", "cr2"}}, kIcon0, kImage},
    /*  6 */ {"CUR", "Windows Cursor", {{"cur", "cur"}}, kOwn, kImage},
    /*  7 */ {"DCM/ACR/IMA", "DICOM Format *", {{"dcm", "dcm"}, {"acr", "dcm"}, {"ima", "dcm"}}, kIcon0, kImage},
    /*  8 */ {"DCX", "Multipage Zsoft Paintbrush", {{"dcx", "dcx"}}, kIcon0, kImage},
    /*  9 */ {"DDS", "Direct Draw Surface *", {{"dds", "dds"}}, kIcon0, kImage},
    /* 10 */ {"DJVU/IW44", "DjVu Format *", {{"djvu", "djvu"}, {"iw44", "djvu"}}, kIcon0, kImage},
    /* 11 */ {"DXF", "Drawing Interchange Format *", {{"dxf", "dxf"}}, kIcon0, kImage},
    /* 12 */ {"ECW", "Enhanced Compressed Wavelet *", {{"ecw", "ecw"}}, kIcon0, kImage},
    /* 13 */ {"EMF", "Enhanced Windows Metafile", {{"emf", "emf"}}, kIcon0, kImage},
    /* 14 */ {"EPS/PS", "PostScript Format *", {{"eps", "eps"}, {"ps", "eps"}}, kIcon0, kImage},
    /* 15 */ {"EXR", "EXR Format *", {{"exr", "exr"}}, kIcon0, kImage},
    /* 16 */ {"FPX", "FlashPix Format *", {{"fpx", "fpx"}}, kIcon0, kImage},
    /* 17 */ {"G3", "G3 FAX Format *", {{"g3", "g3"}}, kIcon0, kImage},
    /* 18 */ {"GIF", "Compuserve GIF", {{"gif", "gif"}}, kIcon0, kImage},
    /* 19 */ {"HDP/JXR/WDP", "JPEG-XR/HD-Photo Format *", {{"hdp", "hdp"}, {"jxr", "hdp"}, {"wdp", "hdp"}}, kIcon0, kImage},
    /* 20 */ {"ICL", "Windows Icon Library", {{"icl", "icl"}}, kOwn, kImage},
    /* 21 */ {"ICO", "Windows Icon", {{"ico", "ico"}}, kOwn, kImage},
    /* 22 */ {"IFF", "Amiga Interchange File Format", {{"iff", "iff"}, {"lbm", "iff"}}, kIcon0, kImage},
    /* 23 */ {"IMG", "GEM Raster Format *", {{"img", "img"}}, kIcon0, kImage},
    /* 24 */ {"JLS", "JPEG-LS Format *", {{"jls", "jls"}}, kIcon0, kImage},
    /* 25 */ {"JP2/JPC/J2K", "JPEG2000 Format *", {{"jp2", "jp2"}, {"jpc", "jp2"}, {"j2k", "jp2"}}, kIcon0, kImage},
    /* 26 */ {"JPG/JPEG/JPE", "JPEG Format", {{"jpg", "jpg"}, {"jpeg", "jpg"}, {"jpe", "jpg"}}, kIcon0, kImage},
    /* 27 */ {"JPM", "JPM Format *", {{"jpm", "jpm"}}, kIcon0, kImage},
    /* 28 */ {"KDC", "Kodak Digital Camera Format *", {{"kdc", "kdc"}}, kIcon0, kImage},
    /* 29 */ {"MNG/JNG", "Multiple Network Graphics *", {{"mng", "mng"}, {"jng", "jng"}}, kIcon0, kImage},
    /* 30 */ {"PBM", "Portable Bitmap", {{"pbm", "pbm"}}, kIcon0, kImage},
    /* 31 */ {"PCD", "Kodak Photo CD", {{"pcd", "pcd"}}, kIcon0, kImage},
    /* 32 */ {"PCX", "Zsoft Paintbrush", {{"pcx", "pcx"}}, kIcon0, kImage},
    /* 33 */ {"PGM", "Portable Greymap", {{"pgm", "pgm"}}, kIcon0, kImage},
    /* 34 */ {"PNG", "Portable Network Graphics", {{"png", "png"}}, kIcon0, kImage},
    /* 35 */ {"PPM", "Portable Pixelmap", {{"ppm", "ppm"}}, kIcon0, kImage},
    /* 36 */ {"PSD", "Adobe Photoshop Image", {{"psd", "psd"}}, kIcon0, kImage},
    /* 37 */ {"PSP", "Paint Shop Pro Image *", {{"psp", "psp"}}, kIcon0, kImage},
    /* 38 */ {"RAS", "Sun Raster Format", {{"ras", "ras"}, {"sun", "ras"}}, kIcon0, kImage},
    /* 39 */ {"RAW", "RAW Image Data *", {{"raw", "raw"}}, kIcon0, kImage},
    /* 40 */ {"RLE", "Utah RLE Format *", {{"rle", "rle"}}, kIcon0, kImage},
    /* 41 */ {"SFF", "Structured Fax Format *", {{"sff", "sff"}}, kIcon0, kImage},
    /* 42 */ {"SFW", "Seattle Film Works Format *", {{"sfw", "sfw"}}, kIcon0, kImage},
    /* 43 */ {"SGI", "Silicon Graphics Image *", {{"sgi", "sgi"}, {"rgb", "sgi"}}, kIcon0, kImage},
    /* 44 */ {"SID", "LizardTech MrSID Format *", {{"sid", "sid"}}, kIcon0, kImage},
    /* 45 */ {"TGA", "Truevision Targa", {{"tga", "tga"}}, kIcon0, kImage},
    /* 46 */ {"TIF/TIFF", "Tagged Image File Format", {{"tif", "tif"}, {"tiff", "tif"}}, kIcon0, kImage},
    /* 47 */ {"WBMP", "WAP Bitmap *", {{"wbmp", "wbmp"}}, kIcon0, kImage},
    /* 48 */ {"WEBP", "Weppy Format *", {{"webp", "webp"}}, kIcon0, kImage},
    /* 49 */ {"WMF", "Windows Metafile", {{"wmf", "wmf"}}, kIcon0, kImage},
    /* 50 */ {"XBM", "X-Bitmap *", {{"xbm", "xbm"}}, kIcon0, kImage},
    /* 51 */ {"XPM", "X-Pixmap *", {{"xpm", "xpm"}}, kIcon0, kImage},
    /* 52 */ {"SWF/FLV", "Macromedia Flash Format *", {{"swf", "swf"}, {"flv", "flv"}}, kIcon0, kOther},
    /* 53 */ {"TTF", "True Type Font Format *", {{"ttf", "ttf"}}, kIcon0, kOther},
    /* 54 */ {"ASF", "Advanced Systems Format *", {{"asf", "asf"}}, kIcon9, kOther},
    /* 55 */ {"AVI", "Video for Windows *", {{"avi", "avi"}}, kIcon9, kOther},
    /* 56 */ {"MPG/MPE/MPEG", "MPEG Movie *", {{"mpg", "mpg"}, {"mpe", "mpe"}, {"mpeg", "mpg"}}, kIcon9, kOther},
    /* 57 */ {"MOV", "Apple QuickTime Movie *", {{"mov", "mov"}}, kIcon9, kOther},
    /* 58 */ {"WMV", "Windows Media Video File *", {{"wmv", "wmv"}}, kIcon9, kOther},
    /* 59 */ {"AIF", "Audio Interchange Format *", {{"aif", "aif"}}, kIcon8, kOther},
    /* 60 */ {"MID/RMI", "MIDI Sound Format *", {{"mid", "mid"}, {"rmi", "rmi"}}, kIcon8, kOther},
    /* 61 */ {"MED", "MED/OctaMED Audio Format *", {{"med", "med"}}, kIcon8, kOther},
    /* 62 */ {"MP3", "MPEG Audio Format *", {{"mp3", "mp3"}}, kIcon8, kOther},
    /* 63 */ {"OGG", "Ogg Vorbis Audio Format *", {{"ogg", "ogg"}}, kIcon8, kOther},
    /* 64 */ {"RA", "Real Audio Format *", {{"ra", "ra"}}, kIcon8, kOther},
    /* 65 */ {"AU/SND", "SUN Audio Format *", {{"au", "au"}, {"snd", "au"}}, kIcon8, kOther},
    /* 66 */ {"WAV", "Windows Audio Format *", {{"wav", "wav"}}, kIcon8, kOther},
    /* 67 */ {"WMA", "Windows Media Audio File *", {{"wma", "wma"}}, kIcon8, kOther},
};

void SelectImagesOnly(int* association_marks) {
  for (int row = 0; row < kFormatCount; ++row) {
    association_marks[row] = FormatCatalogue[row].is_image ? 1 : 0;
  }
}

void SelectAll(int* association_marks) {
  for (int row = 0; row < kFormatCount; ++row) association_marks[row] = 1;
}

void SelectNone(int* association_marks) {
  for (int row = 0; row < kFormatCount; ++row) association_marks[row] = 0;
}
