// The kit's classes are in the runtime from the moment the library is loaded, as the device's
// runtime registers an image's classes when it maps it: a settings pane may look any of them
// up by name before the kit has been used. It costs four classes and a dozen selectors.
#include "kit/QVKit.h"
#include "objc/Runtime.h"

namespace {

objc::Class* kitClasses[4];

__attribute__((constructor)) void registerKitClasses() {
    kitClasses[0] = QVWelcomeTwitterHandler::runtimeClass();
    kitClasses[1] = QVDonateHandler::runtimeClass();
    kitClasses[2] = QVBarButtonItem::runtimeClass();
    kitClasses[3] = QVTwitterShareHandler::runtimeClass();
}

// Once the image is unmapped their methods would point nowhere: nobody may find them by name.
__attribute__((destructor)) void unregisterKitClasses() {
    for (objc::Class* cls : kitClasses) {
        if (cls)
            objc::objc_unregisterClass(cls);
    }
}

} // namespace
