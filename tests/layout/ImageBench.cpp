// Not a test: the measuring program of tools/bench-images.sh. Reads each
// file through the image classes (as the program reads local files) and
// prints the decode time and what came out.
#include <chrono>
#include <cstdio>

#include "layout/Image.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        auto start = std::chrono::steady_clock::now();
        ImageHandle image = ImageHandle::MakeForFile(argv[i]);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const ImageFrame* last = image->FrameByNumber(static_cast<int>(image->FrameCount()));
        printf("%s: %d x %d, %u frames, last frame %d rows, %.1f ms\n", argv[i], image->Width(),
               image->Height(), image->FrameCount(), last ? last->rowsDecoded : 0, ms);
        if (!last || last->rowsDecoded != last->height) return 1;
    }
    return 0;
}
