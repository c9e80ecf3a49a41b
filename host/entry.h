#pragma once

namespace ostrel {

// Whether the module's shared data was built at load; the entry point refuses to create a
// plug-in otherwise. Each platform's entry file decides when loading happens.
bool moduleAttached();

} // namespace ostrel
