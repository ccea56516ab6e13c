// Writes a small demonstration NEF (metadata only, with a little stand-in
// image data) for trying Tessmar without a camera file at hand.
//   make_sample_nef PATH [little|big]
#include <cstdio>
#include <cstring>
#include <exception>

#include "nef_builder.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_sample_nef PATH [little|big]\n");
        return 2;
    }
    const bool big = argc == 3 && std::strcmp(argv[2], "big") == 0;
    const auto bytes = nef_test::SampleNef(big ? nef_test::Order::kBig : nef_test::Order::kLittle);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_sample_nef: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
