#pragma once
// The component tree of a read form as zelform check prints it: each component with its
// class, and for each grid its layouts and columns, with the values assigned to each column
// and every property it stores.
#include <string>

class TComponent;

std::string FormTree(TComponent* Root);
