// lumra-systool's entry point.
#include <string>
#include <vector>

#include "systool/Systool.h"

int main(int argc, char** argv) {
    return lumra::runSystool(std::vector<std::string>(argv, argv + argc));
}
