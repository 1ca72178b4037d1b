// lumra-systool's entry point.
#include "systool/Systool.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return lumra::runSystool(std::vector<std::string>(argv, argv + argc));
}
