#pragma once

namespace vellum {

// The platform handle of the module the toolkit is linked into (the plug-in library, or the
// program): what window classes are registered with. Windows only.
void* moduleHandle();

} // namespace vellum
