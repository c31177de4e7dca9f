// What the formats ask of the platform, for the native build: a definition written without an
// identifier of its own gets a fixed one, so that writing the same records twice gives the same
// bytes.
#include "FuzzCheck.h"
#include "store/BrnFile.h"

namespace store {

bool NewIdentifier(GUID& id) {
    id = fuzz::kNewIdentifier;
    return true;
}

}  // namespace store
