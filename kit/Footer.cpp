// The version and copyright footer of a settings pane.
#include "foundation/DateFormatter.h"
#include "foundation/Task.h"
#include "kit/PaneDecisions.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"

#include <string>

using objc::Ref;
using objc::RefPtr;

namespace {

// The "Version" lines dpkg reports for the package, as ASCII text; empty when the identifier
// could never name a package (nothing runs then), the package is not installed, or no shell starts.
Ref<NS::String> versionText(const NS::String* packageIdentifier) {
    std::optional<std::string> command =
        kit::versionQueryCommand(packageIdentifier ? packageIdentifier->str() : std::string());
    if (!command)
        return NS::str("");
    Ref<NS::Task> task = NS::Task::task();
    task->setLaunchPath(kit::kShellPath);
    task->setArguments(std::vector<std::string>{"-c", *command});
    Ref<NS::Pipe> pipe = NS::Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    if (!task->launch())
        return NS::str("");
    // Blocks until the shell and everything it started have closed their output. The shell
    // itself is reaped in the background.
    Ref<NS::Data> output = pipe->fileHandleForReading()->readDataToEndOfFile();
    return NS::String::initWithData(output, NS::ASCIIStringEncoding);
}

// The current year in UTC, as four digits.
Ref<NS::String> currentYearText() {
    Ref<NS::DateFormatter> formatter = NS::DateFormatter::dateFormatter();
    formatter->setLocale(NS::Locale::initWithLocaleIdentifier(kit::kYearLocale).ptr());
    formatter->setDateFormat(kit::kYearFormat);
    formatter->setTimeZone(NS::TimeZone::timeZoneForSecondsFromGMT(0).ptr());
    RefPtr<NS::String> year = formatter->stringFromDate(NS::Date::date().ptr());
    return year ? year.releaseNonNull() : NS::str("");
}

// The group specifier, made through the runtime by the class's name: the Preferences
// framework is not linked, and where it is not loaded there is no class and no specifier.
RefPtr<objc::Object> makeGroupSpecifier() {
    objc::Class* specifierClass = objc::objc_getClass("PSSpecifier");
    constexpr long kGroupCell = 0;
    return objc::msgSend<RefPtr<objc::Object>, objc::Object*, objc::Object*, objc::SEL, objc::SEL,
                         objc::Class*, long, objc::Class*>(
        specifierClass,
        "preferenceSpecifierNamed:target:set:get:detail:cell:edit:", NS::str("").ptr(), nullptr,
        nullptr, nullptr, nullptr, kGroupCell, nullptr);
}

void setProperty(objc::Object* specifier, objc::Object* value, std::string_view key) {
    objc::msgSend<void, objc::Object*, objc::Object*>(specifier, "setProperty:forKey:", value,
                                                      NS::str(key).ptr());
}

// What `%@` prints for an object, "(null)" for nil.
std::string printed(const objc::Object* object) {
    return NS::String::stringWithFormat("%@", object)->str();
}

} // namespace

extern "C" RefPtr<objc::Object> QVVersionCopyrightSpecifier(NS::String* packageIdentifier,
                                                            NS::String* holder,
                                                            objc::Object* startYear) {
    Ref<NS::String> version = versionText(packageIdentifier);
    RefPtr<objc::Object> specifier = makeGroupSpecifier();
    Ref<NS::String> year = currentYearText();
    bool startIsCurrentYear = startYear && startYear->isEqual(year.ptr());
    std::string years = kit::footerYears(printed(startYear), startIsCurrentYear, year->str());
    Ref<NS::String> footer = NS::str(kit::footerText(printed(holder), years, version->str()));
    setProperty(specifier.get(), footer.ptr(), kit::kFooterTextKey);
    setProperty(specifier.get(), NS::str(kit::kFooterAlignmentCentred).ptr(),
                kit::kFooterAlignmentKey);
    return specifier;
}
