// Umbrella header of tovik: timer, binary file stream, opening files by UTF-8 names.
#pragma once

#include <tovik/tovikExport.h>  // first: tells a pre-C++17 compiler what it lacks
#include <tovik/kwTimer.h>
#include <tovik/kwStream.h>
#include <tovik/kwOpenFile.h>
