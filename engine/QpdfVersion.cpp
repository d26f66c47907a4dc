// SPDX-License-Identifier: Apache-2.0
#include "engine/QpdfVersion.h"

#include <qpdf/QPDF.hh>

namespace quire {

std::string QpdfVersion()
{
    // NOTE: the library's own answer, not the headers' QPDF_VERSION: a shared qpdf can be newer than
    // the one the program was built against.
    return QPDF::QPDFVersion();
}

} // namespace quire
