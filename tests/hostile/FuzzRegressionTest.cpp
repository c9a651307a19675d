// Inputs the fuzz targets once found troublesome, kept in regressions/: each must end
// with an answer (an exception or a boolean), never a crash or a hang.

#include "HostileSupport.h"

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <vector>

TEST(FuzzRegression, StoredInputsEndCleanly)
{
    std::vector<std::string> files;
    if (DIR* d = opendir(ZOLSAX2_REGRESSIONS_DIR)) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                files.push_back(std::string(ZOLSAX2_REGRESSIONS_DIR) + "/" + e->d_name);
        }
        closedir(d);
    }
    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        // Secure mode only, as the fuzz targets run: these may name any file or host.
        const hostile::Outcome s = hostile::parseString(bytes.str(), true);
        const hostile::Outcome v = hostile::validate(path, true);
        std::printf("[ input    ] %s: %s / %s\n", path.c_str(), s.exception.empty() ? "parsed" : "rejected",
                    v.valid ? "valid" : "invalid");
    }
    std::printf("[ input    ] %zu stored inputs\n", files.size());
}
