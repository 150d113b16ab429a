// Selection on parsed pages (with the implied html/head/body the parser adds), and the html-query
// tool run as a separate process: its output lines and exit statuses.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "html/nodes/nodes.h"
#include "html/parser/parser.h"
#include "html/select/selector.h"

namespace {

std::string texts(const novawick::html::Elements& elements) {
    std::string out;
    for (const novawick::html::Element* element : elements) {
        if (!out.empty()) out += '|';
        out += element->text();
    }
    return out;
}

TEST(ParsedDocumentTest, ScraperStyleQueries) {
    auto document = novawick::html::parse(
        "<p>one</p><div><p>two</p></div><p>three</p>"
        "<ul><li>a<li>b</ul><ol><li>c<li>d</ol>"
        "<section><span>hello world</span></section>");
    novawick::html::Element* body = document->body();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(texts(body->select("p")), "one|two|three");
    EXPECT_EQ(texts(body->select("div p")), "two");
    EXPECT_EQ(texts(body->select("div > p")), "two");
    EXPECT_EQ(texts(body->select("body > p")), "one|three");
    EXPECT_EQ(texts(body->select("div")[0]->select("> p")), "two");
    EXPECT_EQ(texts(body->select("li:eq(0)")), "a|c");
    EXPECT_EQ(texts(document->select("P")), "one|two|three");
    // Every ancestor whose text holds the words matches too.
    std::string tags;
    for (const novawick::html::Element* element : document->select(":contains(Hello)")) tags += std::string(element->tagName()) + " ";
    EXPECT_EQ(tags, "#root html body section span ");
    EXPECT_EQ(document->select("head > title, body > ul > li").size(), 2u);
}

class HtmlQueryToolTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path()
            / ("html-query-test-" + std::to_string(::getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "page.html")
            << "<html><body><p class=x>One <b>bold</b></p><div><p>Two</p>"
               "<a href=\"/link\" title=\"T\">go</a></div></body></html>";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    struct Run {
        int status;
        std::string out;
        std::string err;
    };

    Run run(const std::string& arguments) {
        std::string command = std::string(HTML_QUERY_PATH) + " " + arguments + " >" + (folder_ / "out").string() + " 2>"
            + (folder_ / "err").string();
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder_ / "out"), slurp(folder_ / "err")};
    }

    std::string page() const { return (folder_ / "page.html").string(); }

private:
    static std::string slurp(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream contents;
        contents << in.rdbuf();
        return contents.str();
    }

    std::filesystem::path folder_;
};

TEST_F(HtmlQueryToolTest, PrintsTagAndTextPerElement) {
    Run result = run(page() + " 'p'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "p\tOne bold\np\tTwo\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(HtmlQueryToolTest, PrintsAttributeValuesWithAttr) {
    Run result = run("--attr title " + page() + " 'a, p.x'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "p\t\na\tT\n");
}

TEST_F(HtmlQueryToolTest, ExitStatusesForBadQueriesFilesAndArguments) {
    Run badQuery = run(page() + " '&&'");
    EXPECT_EQ(badQuery.status, 2);
    EXPECT_EQ(badQuery.out, "");
    EXPECT_EQ(badQuery.err, "Could not parse query &&: unexpected token at &&\n");

    Run missing = run("/nonexistent/page.html p");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err, "");

    EXPECT_EQ(run(page()).status, 2);
    EXPECT_EQ(run("--attr '' " + page() + " p").status, 2);
}

}  // namespace
