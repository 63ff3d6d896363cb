// The share button: a bar button item that carries its text and its controller, and one
// shared, stateless target for every such button in the process.
#include "kit/QVKit.h"
#include "social/ComposeViewController.h"
#include "social/Request.h"
#include "uikit/ImageContext.h"
#include "uikit/NavigationItem.h"
#include "uikit/ViewController.h"

using objc::Ref;
using objc::RefPtr;

namespace {

constexpr const char* kShareTapped = "shareTapped:";
// The blank background: a transparent 20 x 20 point image at the screen's scale (scale 0).
constexpr CGSize kBlankBackgroundSize = {20, 20};

// The process-wide slot of the shared handler: filled once, never emptied.
QVTwitterShareHandler* g_sharedHandler = nullptr;

void shareTapped(objc::Object* self, objc::SEL, objc::Object* sender) {
    static_cast<QVTwitterShareHandler*>(self)->shareTapped(sender);
}

// @synchronized on an object: the lock is released on every way out, exceptions included.
class Synchronized {
public:
    explicit Synchronized(const objc::Object* object) : m_object(object) {
        objc::objc_sync_enter(m_object);
    }
    ~Synchronized() { objc::objc_sync_exit(m_object); }
    Synchronized(const Synchronized&) = delete;
    Synchronized& operator=(const Synchronized&) = delete;

private:
    const objc::Object* m_object;
};

RefPtr<UI::Image> blankImage() {
    UIGraphicsBeginImageContextWithOptions(kBlankBackgroundSize, false, 0.0);
    RefPtr<UI::Image> image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

} // namespace

// ---- QVBarButtonItem ------------------------------------------------------------------------

objc::Class* QVBarButtonItem::runtimeClass() {
    // Made when the library loads (kit/Classes.cpp), in the order of the method list. The
    // getters hand their values out unretained, as synthesised ones do.
    static objc::Class* cls = [] {
        objc::Class* c = objc::objc_allocateClassPair(UI::BarButtonItem::barButtonItemClass(),
                                                      "QVBarButtonItem");
        c->addMethod(objc::sel_registerName("dealloc"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) {
                         delete static_cast<QVBarButtonItem*>(self);
                     }));
        c->addMethod(objc::sel_registerName("shareText"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) -> objc::Object* {
                         return static_cast<QVBarButtonItem*>(self)->m_shareText.get();
                     }));
        c->addMethod(objc::sel_registerName("setShareText:"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL, objc::Object* text) {
                         static_cast<QVBarButtonItem*>(self)->setShareText(
                             dynamic_cast<NS::String*>(text));
                     }));
        c->addMethod(objc::sel_registerName("container"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) -> objc::Object* {
                         return static_cast<QVBarButtonItem*>(self)->container().get();
                     }));
        c->addMethod(objc::sel_registerName("setContainer:"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL, objc::Object* container) {
                         static_cast<QVBarButtonItem*>(self)->setContainer(
                             dynamic_cast<UI::ViewController*>(container));
                     }));
        objc::objc_registerClassPair(c);
        return c;
    }();
    return cls;
}

QVBarButtonItem::QVBarButtonItem() : UI::BarButtonItem(runtimeClass()) {}

QVBarButtonItem::~QVBarButtonItem() {
    setShareText(nullptr);
}

Ref<QVBarButtonItem> QVBarButtonItem::alloc() {
    return objc::adopt(new QVBarButtonItem);
}

RefPtr<UI::ViewController> QVBarButtonItem::container() const {
    std::lock_guard guard(m_containerLock);
    return m_container.get();
}

void QVBarButtonItem::setContainer(UI::ViewController* container) {
    objc::WeakPtr<UI::ViewController> link(container);
    std::lock_guard guard(m_containerLock);
    std::swap(m_container, link);
}

// ---- QVTwitterShareHandler ------------------------------------------------------------------

objc::Class* QVTwitterShareHandler::runtimeClass() {
    // Made when the library loads (kit/Classes.cpp).
    static objc::Class* cls = [] {
        objc::Class* c =
            objc::objc_allocateClassPair(objc::NSObjectClass(), "QVTwitterShareHandler");
        c->addMethod(objc::sel_registerName(kShareTapped), objc::imp_cast(&::shareTapped));
        c->addClassMethod(objc::sel_registerName("sharedInstance"),
                          objc::imp_cast(+[](objc::Object*, objc::SEL) {
                              return static_cast<objc::Object*>(sharedInstance());
                          }));
        objc::objc_registerClassPair(c);
        return c;
    }();
    return cls;
}

QVTwitterShareHandler::QVTwitterShareHandler() {
    setIsa(runtimeClass());
}

QVTwitterShareHandler* QVTwitterShareHandler::sharedInstance() {
    // Every call takes the lock, also once the handler exists: there is no lock-free test.
    Synchronized guard(runtimeClass());
    if (!g_sharedHandler)
        g_sharedHandler = new QVTwitterShareHandler; // kept for the life of the process
    return g_sharedHandler;
}

void QVTwitterShareHandler::shareTapped(objc::Object* sender) {
    RefPtr<SL::ComposeViewController> composer =
        SL::ComposeViewController::composeViewControllerForServiceType(
            NS::str(SL::SLServiceTypeTwitter).ptr());
    if (!composer)
        return; // Social is missing on this system
    auto* item = dynamic_cast<QVBarButtonItem*>(sender);
    if (!item)
        return;
    composer->setInitialText(item->shareText().get());
    if (RefPtr<UI::ViewController> container = item->container())
        container->presentViewControllerAnimatedCompletion(composer.get(), true, nullptr);
}

// ---- QVAddTwitterShareButton ----------------------------------------------------------------

extern "C" void QVAddTwitterShareButton(UI::ViewController* viewController, UI::Image* image,
                                        NS::String* shareText) {
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    Ref<QVBarButtonItem> item = QVBarButtonItem::alloc();
    item->initWithImageStyleTargetAction(image, UI::BarButtonItemStylePlain, handler,
                                         objc::sel_registerName(kShareTapped));
    RefPtr<UI::Image> background = blankImage();
    item->setContainer(viewController);
    item->setShareText(shareText);
    item->setBackgroundImageForStateBarMetrics(background.get(), UI::ControlStateNormal,
                                               UI::BarMetricsDefault);
    if (viewController)
        viewController->navigationItem().setRightBarButtonItem(item.ptr());
    // This call's reference goes here; the navigation item owns the item from now on.
}
