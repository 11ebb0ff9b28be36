// Umbrella header of tovik: timer and binary file stream.
#pragma once

#include <tovik/kwTimer.h>
#include <tovik/kwStream.h>
