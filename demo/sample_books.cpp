// The sample books. Every sentence below was written for this project. Chapters are assembled from them
// with a small fixed pseudo-random sequence (not <random>, whose distributions differ between standard
// libraries), so every build and every run serves the very same books. A few sentences carry "&", "<",
// ">", quotes and single spaces on purpose: they must survive HTML escaping and the client's white-space
// normalisation unchanged.
#include "demo/sample_books.h"

#include <array>
#include <string_view>

namespace novawick::demo {
namespace {

constexpr std::array<std::string_view, 40> kSentences = {
    "清晨的雾还没有散，石板路上已经响起了挑水人的脚步声。",
    "她把信纸折成四折，又小心地压在砚台底下。",
    "镇口那棵老槐树据说有三百岁了，谁也说不清是谁种下的。",
    "风从河面上吹过来，带着一点潮湿的青草味。",
    "他没有回答，只是低头看着自己磨破的鞋尖。",
    "远处传来几声犬吠，很快又被蝉鸣盖了过去。",
    "茶馆的招牌上写着“茶&酒”两个大字，漆已经剥落了一半。",
    "账本最后一页写着一行小字：甲<乙，丙>丁，不知是什么意思。",
    "灯芯噼啪响了一下，屋子里忽明忽暗。",
    "“明天还会下雨吗？”孩子仰着头问。",
    "老人笑了笑，说雨总会停的，船总会回来的。",
    "码头上堆满了木箱，每一只都贴着褪色的红纸。",
    "她数了数口袋里的铜板，正好够买两个烧饼。",
    "夜里起了风，窗纸被吹得哗哗作响。",
    "那封信在路上走了整整三个月，边角都磨圆了。",
    "他第一次看见海，是在十四岁那年的秋天。",
    "书架最高一层放着一只铁皮盒子，里面装满了旧照片。",
    "雨后的山路很滑，他们走得很慢。",
    "灯塔的光一圈一圈地扫过海面，像是在数着什么。",
    "集市上人声鼎沸，卖糖人的摊子前围了一圈孩子。",
    "她忽然想起母亲说过的话：不要回头，往前走。",
    "铁匠铺的炉火整夜不熄，叮叮当当的声音一直传到河对岸。",
    "那把刀并不锋利，却比任何一把剑都沉。",
    "他在墙上刻下第一百道痕，然后停了下来。",
    "星星很密，密得像是有人把一整袋盐撒在了黑布上。",
    "船帆鼓了起来，岸上的人影越来越小。",
    "先生说，读书不是为了记住，而是为了不忘。",
    "院子里的山茶开了，红得有些不真实。",
    "她把门闩插好，又回头看了一眼熟睡的弟弟。",
    "那年冬天格外冷，河面结了厚厚的冰。",
    "信的末尾只有一句话：一切安好，勿念。",
    "他们约好，等稻子熟了就一起去城里看戏。",
    "钟声响了七下，街上的灯一盏接一盏地亮起来。",
    "地图上的那条河并不存在，至少现在已经不存在了。",
    "他把最后一块干粮掰成两半，递给了身边的陌生人。",
    "她学会了看云，也学会了等待。",
    "门外有人敲了三下，停一停，又敲了两下。",
    "木桥在脚下吱呀作响，仿佛随时都会断开。",
    "很多年以后，他仍然记得那个下午的阳光。",
    "纸上写着 A & B 两个名字，中间隔着一道墨痕。",
};

constexpr std::array<std::string_view, 24> kChapterNames = {
    "雾起", "旧信", "渡口", "雨夜", "灯下", "远行", "归来", "河灯", "集市", "山路", "铁匠", "故人",
    "秋声", "夜航", "冬雪", "钟楼", "茶馆", "断桥", "星图", "离岸", "晨钟", "残卷", "长街", "余烬",
};

struct BookPlan {
    std::string_view slug;
    std::string_view title;
    std::string_view author;
    std::vector<std::string_view> introduction;
    std::size_t chapterCount;
    std::size_t maximumPagesPerChapter;
    std::uint64_t seed;
    std::uint32_t coverColour;
    std::uint32_t accentColour;
};

// splitmix64: tiny, fixed, and good enough to vary lengths and picks.
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : state_(seed) {}
    std::size_t below(std::size_t bound) {
        state_ += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return static_cast<std::size_t>(z % bound);
    }

private:
    std::uint64_t state_;
};

std::vector<std::string> makePage(Sequence& sequence) {
    std::vector<std::string> paragraphs(3 + sequence.below(4));
    for (std::string& paragraph : paragraphs) {
        std::size_t sentences = 1 + sequence.below(3);
        for (std::size_t i = 0; i < sentences; ++i) paragraph += kSentences[sequence.below(kSentences.size())];
    }
    return paragraphs;
}

SampleBook makeBook(const BookPlan& plan) {
    SampleBook book;
    book.slug = plan.slug;
    book.title = plan.title;
    book.author = plan.author;
    for (std::string_view line : plan.introduction) book.introduction.emplace_back(line);
    book.coverColour = plan.coverColour;
    book.accentColour = plan.accentColour;
    Sequence sequence(plan.seed);
    for (std::size_t number = 1; number <= plan.chapterCount; ++number) {
        SampleChapter chapter;
        chapter.title = "第" + std::to_string(number) + "章 " +
                        std::string(kChapterNames[sequence.below(kChapterNames.size())]);
        std::size_t pages = 1 + sequence.below(plan.maximumPagesPerChapter);
        for (std::size_t page = 0; page < pages; ++page) chapter.pages.push_back(makePage(sequence));
        book.chapters.push_back(std::move(chapter));
    }
    return book;
}

std::vector<SampleBook> buildBooks() {
    const BookPlan plans[] = {
        {"qingshi", "青石镇的夏天", "林晚舟",
         {"青石镇的夏天总是来得很慢。", "一个送信的少年，一封没有署名的信，和一座快要被人遗忘的小镇。"},
         12, 3, 11, 0x2E5E4E, 0xF2C14E},
        {"xinghai", "星海<回声> & 归途", "沈默",
         {"船离开港口的那天，没有人来送行。", "他们要去的地方，星图上只画着一个问号。"},
         8, 2, 23, 0x1B2A49, 0x9AD1D4},
        {"daoyujian", "刀与剑/下卷", "顾长风",
         {"上卷里留下的那把刀，终于等到了它的主人。"},
         6, 1, 37, 0x5A1F1F, 0xE8D6A8},
        {"changhe", "长河纪年", "周砚",
         {"一条河，三百个年头，一个镇子的兴衰。", "每一章是一年：有人来，有人走，河水照旧向东流。",
          "（全书三百章，适合慢慢读。）"},
         300, 2, 41, 0x3B4A6B, 0xC9A66B},
        {"wugang", "雾港来信", "林晚舟",
         {"雾港的邮差每周只来一次。", "这一次，他带来了一封寄给十年前的信。"},
         10, 3, 53, 0x6B6E70, 0xF4F1DE},
        {"shancha", "山茶与灯塔", "许知南",
         {"守塔人和种花人的短篇。"},
         3, 1, 67, 0x8C2F39, 0xFCEFEF},
    };
    std::vector<SampleBook> books;
    for (const BookPlan& plan : plans) books.push_back(makeBook(plan));
    return books;
}

}  // namespace

std::vector<std::string> SampleChapter::paragraphs() const {
    std::vector<std::string> all;
    for (const auto& page : pages) all.insert(all.end(), page.begin(), page.end());
    return all;
}

const std::vector<SampleBook>& sampleBooks() {
    static const std::vector<SampleBook> books = buildBooks();
    return books;
}

}  // namespace novawick::demo
