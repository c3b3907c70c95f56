#include "host/core/ObjectWatch.h"

TObjectWatch::TObjectWatch(const TObject* Object) : FObject(Object)
{
    FNext = FFirst;
    if (FFirst) FFirst->FPrev = this;
    FFirst = this;
}

TObjectWatch::~TObjectWatch()
{
    if (FPrev)
        FPrev->FNext = FNext;
    else
        FFirst = FNext;
    if (FNext) FNext->FPrev = FPrev;
}

void TObjectWatch::ObjectDestroyed(const TObject* Object)
{
    for (TObjectWatch* w = FFirst; w; w = w->FNext)
        if (w->FObject == Object) w->FObject = nullptr;
}
