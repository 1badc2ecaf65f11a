// Writes the picture tests' JPEG files into a folder, as the seed corpus of the loader's fuzz target.
// usage: make_jpeg_seeds FOLDER
#include <sys/stat.h>

#include <cstdio>

#include "jpeg_samples.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    mkdir(argv[1], 0755);
    for (const auto& [name, bytes] : fuzz_seed_files()) {
        if (!write_file(std::string(argv[1]) + "/" + name, bytes)) {
            fprintf(stderr, "%s: cannot write %s/%s\n", argv[0], argv[1], name.c_str());
            return 1;
        }
    }
    return 0;
}
