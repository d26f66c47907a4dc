// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderer.h"

#include <gtest/gtest.h>
