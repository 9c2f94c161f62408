// Temporary: the byte source moves into this folder; until then this name
// forwards to it.
#pragma once

#include "../byte_source.h"
