// SPDX-License-Identifier: Apache-2.0
#pragma once

// The helper process's side of CPageRenderer: reads requests from one descriptor, draws each page
// with Qt PDF and writes the answer to another, until the window closes its end.
class CPageRenderServer
{
public:
    // Serves until `nIn` ends; returns the process's exit status.
    static int Run(int nIn, int nOut);
};
