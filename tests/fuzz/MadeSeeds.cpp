// Writes the seeds made in code into the folder given: an icon of each kind the icon reader
// accepts (icon_files/), and a short recording (recordings/) until the sample game has its own.

#include <cstdio>
#include <string>

#include "platform/ImageBytes.h"

// Key A down at 0.5 s and up at 0.75 s, then Space tapped, as the input manager writes them.
constexpr char RecordingText[] = "10 1 0.5 10 0 0.75 64 1 1.25 64 0 1.3 ";

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    using namespace ImageBytes;
    const std::string folder = std::string(argv[1]) + "/icon_files/";
    const std::string recording = std::string(argv[1]) + "/recordings/made.txt";
    const Pixels opaque = pattern(4, 3);
    const Pixels clear = pattern(5, 2, 0);
    const bool written =
        writeFile(folder + "plain.png", png(opaque)) && writeFile(folder + "plain.bmp", bmp24(opaque)) &&
        writeFile(folder + "dib24.ico", ico({{4, 3, 24, iconBitmap(opaque, 24)}})) &&
        writeFile(folder + "dib32_masked.ico", ico({{5, 2, 32, iconBitmap(clear, 32)}})) &&
        writeFile(folder + "png_and_dib.ico",
                  ico({{4, 3, 32, png(opaque)}, {5, 2, 24, iconBitmap(clear, 24, false)}})) &&
        writeFile(recording, Bytes(RecordingText, RecordingText + sizeof RecordingText - 1));
    if (!written) {
        std::fprintf(stderr, "%s: could not write the seeds into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
