#include "codecs/lzrw1.h"
#include <gtest/gtest.h>
