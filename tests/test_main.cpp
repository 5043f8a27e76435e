#include <gtest/gtest.h>

#include <string.h>

int RunChildWindow(const char *mode, const char *title, const char *readyEvent);

int main(int argc, char **argv)
{
    if (argc == 5 && strcmp(argv[1], "--child-window") == 0)
        return RunChildWindow(argv[2], argv[3], argv[4]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
