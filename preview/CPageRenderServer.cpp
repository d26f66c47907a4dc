// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderServer.h"

int CPageRenderServer::Run(int, int)
{
    return 1;
}
