#pragma once
// The package Zelpack4: the grid unit, the outline tree and the design units (ZelReg4, StrEde)
// as one package. A program that uses them runs Zelpack4Initialize first; a designer installing
// the package then calls Register (ZelReg4's, declared here through design/ZelReg4.h).
#include "design/ZelReg4.h"

// Runs the units' initialisation: the published properties of the controls, the outline tree,
// the grid and its column model go into the property registry. Running it again does nothing.
void Zelpack4Initialize();
// Runs the units' finalisation; a later Zelpack4Initialize initialises again.
void Zelpack4Finalize();
// Whether the package is initialised.
bool Zelpack4Initialized();
