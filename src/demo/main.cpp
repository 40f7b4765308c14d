/*
 * main.cpp - the kolvane program: hands the command line and the timeline's
 * display function to the framework, which never returns in normal use.
 */
#include "timeline.h"
#include "tvx.h"

int main(int argc, char **argv)
{
    tvx_init(argc, argv, drawScene);
    return 0;
}
