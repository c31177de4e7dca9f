// Resource ids shared by the program, its resources and the tests.
#pragma once

#include "string_ids.h"

#define IDR_MAINFRAME 128
#define IDI_BRENNAHOLD 128
