#pragma once
// The component tree of a read form as zelform check prints it: each component with its
// class, and for each grid its layouts, columns and the values assigned to them.
#include <string>

class TComponent;

std::string FormTree(TComponent* Root);
