#pragma once
// Everything a program that shows grids includes: the grid and its column model, forms and the
// application's event loop, the window system with its back ends, and PNG capture of a window.
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"
#include "zelgrid/Zelgrid.h"
