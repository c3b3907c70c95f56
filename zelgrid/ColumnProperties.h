#pragma once
// The published properties of the column model, declared in the property registry: the form
// writer, the form reader and the designer read the column tree from here.
#include "host/streaming/PropertyRegistry.h"

// Registers the column model's types (TZelColumnType, TZelColumnButtonStyle) and classes
// (TZelColumnTitle, TZelColumn, TZelGridColumns, TZelLayoutItem, TZelColLayout, TZelColumnRec
// and the passthrough classes), after the host's. Calling it again does nothing.
void RegisterColumnModelProperties(TPropertyRegistry& Registry = PropertyRegistry());
