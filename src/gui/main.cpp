#include "gui/SubMain.h"

int main(int argc, char **argv)
{
    return fendrel::gui::Main(argc, argv);
}
