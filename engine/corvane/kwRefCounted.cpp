#include <corvane/kwRefCounted.h>

kwRefCounted::~kwRefCounted() = default;
