#include <corvane/kwBoundary.h>

kwBoundary::kwBoundary() = default;
kwBoundary::~kwBoundary() = default;

void kwBoundary::makeParentBoundary() { kwNode::makeParentBoundary(); }
