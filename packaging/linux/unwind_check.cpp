// Built and run by packaging/linux/folder.sh as the folder's programs are
// linked: an exception thrown through a function of another object file and
// caught, which the unwinder finds through old_glibc.cpp's stand-in.
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

int main(int argc, char**)
{
    try {
        std::stoi(std::string(argc, 'x'));  // throws std::invalid_argument
    } catch (const std::invalid_argument&) {
        std::random_device device;
        std::printf("caught; random_device gave %s\n", device() == device() ? "one twice" : "two");
        return 0;
    }
    return 1;
}
