// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace quire {

// The version of the qpdf library the engine runs on, as that library reports it ("11.3.0").
std::string QpdfVersion();

} // namespace quire
