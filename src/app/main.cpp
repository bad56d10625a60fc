#include "search/search.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    return zentara::runProgram(argc, argv, zentara::bindSearch);
}
