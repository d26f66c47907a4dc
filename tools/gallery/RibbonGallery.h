// SPDX-License-Identifier: Apache-2.0
#pragma once

class QGroupBox;

// The ribbon as the main window uses it: application button, "Home" and "Help" categories with
// large buttons, separators, check boxes, the merge output row, and the "Style" drop-down.
QGroupBox* RibbonGallery();
