#pragma once
// While one lives, the bindings a test makes wait for their source however busy the machine is,
// so that what an edit or a read did can be checked as soon as the grid returns.
#include <chrono>

#include "binding/GridBinding.h"

class TPatientBindings {
public:
    TPatientBindings()
    {
        TGridBinding::DefaultReadGrace = std::chrono::seconds(20);
        TGridBinding::DefaultWriteGrace = std::chrono::seconds(20);
    }
    ~TPatientBindings()
    {
        TGridBinding::DefaultReadGrace = FRead;
        TGridBinding::DefaultWriteGrace = FWrite;
    }
    TPatientBindings(const TPatientBindings&) = delete;
    TPatientBindings& operator=(const TPatientBindings&) = delete;

private:
    std::chrono::milliseconds FRead = TGridBinding::DefaultReadGrace;
    std::chrono::milliseconds FWrite = TGridBinding::DefaultWriteGrace;
};
