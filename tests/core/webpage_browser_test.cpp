// The web page in a real browser: Debian's chromium, headless, runs the page's own search as a
// person would use it (a word in the box, "Buscar palabra" clicked again and again).
#include "core/exports.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace core;
using namespace testsupport;

namespace {

// Types the word, clicks the button three times, then searches for a word that is not there;
// reports what was selected each time and what the alerts said.
constexpr const char* kDriver = R"(<script>
var report = [];
window.alert = function (m) { report.push("alert:" + m); };
function selected() {
    var s = window.getSelection();
    if (!s.rangeCount || s.isCollapsed) return "none";
    return s.toString() + "@" + s.getRangeAt(0).startContainer.nodeValue;
}
window.addEventListener("load", function () {
    var form = document.forms.search, box = form.string, button = form.submit;
    box.value = "soto";
    box.dispatchEvent(new Event("change"));
    for (var i = 0; i < 3; i++) { button.click(); report.push(selected()); }
    box.value = "zzz";
    box.dispatchEvent(new Event("change"));
    button.click();
    var bold = Array.prototype.some.call(document.querySelectorAll("b"),
                                         function (b) { return b.textContent == "x"; });
    report.push("markup shown as text:" + (document.body.innerText.indexOf("<b>x</b>") >= 0));
    report.push("markup rendered:" + bold);
    var out = document.createElement("div");
    out.id = "report";
    out.textContent = "[" + report.join("|") + "]";
    document.body.appendChild(out);
});
</script>
)";

std::string chromium() {
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (access(candidate, X_OK) == 0)
            return candidate;
    return {};
}

// The page's DOM after load, or empty when the browser did not run.
std::string dumpDom(const std::string& browser, const std::filesystem::path& page,
                    const std::filesystem::path& work) {
    const auto out = work / "dom.txt";
    const std::string command =
        "timeout 40 " + browser +
        " --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --no-first-run"
        " --user-data-dir=" +
        (work / "profile").string() + " --virtual-time-budget=5000 --dump-dom 'file://" +
        page.string() + "' >" + out.string() + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return readBytes(out);
}

} // namespace

TEST(WebPageInBrowser, SearchStepsThroughMatchesWrapsAndShowsMarkupAsText) {
    const std::string browser = chromium();
    if (browser.empty())
        GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    writeBytes(dir / "probe.htm", "<p>ok</p>");
    if (dumpDom(browser, dir / "probe.htm", dir.path()).find("<p>ok</p>") == std::string::npos)
        GTEST_SKIP() << "chromium cannot run here";

    Record markup = personRecord("<b>x</b>");
    markup.texts[person::Notes] = "a & b";
    writeBytes(dir / "p.dat",
               bytesOf({personRecord("ANA SOTO"), markup, personRecord("JUAN SOTO", "555")}));
    writeWebPage(dir / "p.dat", true, (dir / "p.dat").string(),
                 {"3", "#006699", "#000000", "#CCFF66"}, dir / "faatmp01.htm");
    writeBytes(dir / "driven.htm", readBytes(dir / "faatmp01.htm") + kDriver);

    const std::string dom = dumpDom(browser, dir / "driven.htm", dir.path());
    const auto start = dom.find("<div id=\"report\">[");
    ASSERT_NE(start, std::string::npos) << dom.substr(0, 2000);
    const auto end = dom.find("]</div>", start);
    EXPECT_EQ(dom.substr(start + 18, end - start - 18),
              "SOTO@ANA SOTO|SOTO@JUAN SOTO|SOTO@ANA SOTO|alert:No se encontro."
              "|markup shown as text:true|markup rendered:false");
}
