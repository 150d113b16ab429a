// The sentences follow four shapes: time, someone, manner, deed, thing; someone at a place doing
// something and reacting; a line of speech; time, someone at a place reacting. Slots are filled from
// lists of short words, and names, places and things are put together from single characters (a
// surname and given names, a material and an object), so a compressor finds single words again, rarely
// a pair of them, and almost never a whole sentence within its window. Deflate at level 6 packs the result to
// 22 % of its size; two dozen whole phrases in random order pack to 5 %.
#include "bench/chapter_text.h"

#include <array>
#include <string_view>
#include <unordered_set>

namespace novawick::bench {
namespace {

constexpr std::size_t kSentenceCount = 4096;

using Words = std::array<std::string_view, 24>;  // every list but one has 24 words

constexpr Words kTimes = {
    "清晨", "傍晚", "深夜", "午后", "次日", "片刻后", "三更时", "黄昏", "天明前", "雨后", "半晌", "入夜后",
    "隔日", "正午", "初春", "深秋", "寒冬", "夏夜", "早饭后", "当晚", "那日", "此刻", "转眼间", "不久"
};
constexpr Words kPeopleLooks = {
    "年迈的", "瘦小的", "沉默的", "年轻的", "高大的", "疲惫的", "受伤的", "陌生的", "醉醺醺的", "机灵的",
    "冷峻的", "和气的", "白发的", "黝黑的", "焦急的", "慌张的", "傲慢的", "憨厚的", "清瘦的", "英俊的",
    "满脸胡须的", "穿青衫的", "背着包袱的", "拄着拐杖的"
};
constexpr Words kPeople = {
    "掌柜", "书生", "剑客", "船夫", "老人", "少女", "和尚", "道士", "官差", "镖师", "郎中", "铁匠", "樵夫",
    "渔翁", "商人", "乞丐", "刺客", "将军", "侍女", "店小二", "猎户", "琴师", "捕快", "县令"
};
constexpr Words kSurnames = {
    "王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴", "徐", "孙", "胡", "朱", "高", "林", "何",
    "郭", "马", "罗", "梁", "宋", "郑", "谢"
};
constexpr Words kGivenNames = {
    "云", "风", "青", "远", "明", "清", "山", "月", "秋", "雪", "华", "安", "宁", "文", "德", "海", "玉",
    "兰", "芳", "志", "飞", "松", "星", "涛"
};
constexpr Words kManners = {
    "悄悄", "缓缓", "默默", "匆匆", "轻轻", "猛地", "忽然", "慢慢", "狠狠", "仔细地", "随手", "小心地",
    "不慌不忙地", "急忙", "顺手", "低头", "连忙", "暗暗", "偷偷", "径直", "再次", "终于", "依旧", "独自"
};
constexpr Words kDeeds = {
    "推开", "关上", "拿起", "放下", "打量", "收起", "点燃", "擦拭", "翻开", "藏起", "递过", "捧着", "扛起",
    "拎着", "扶住", "盯着", "摸了摸", "折断", "捡起", "包好", "掀开", "端来", "系紧", "交出"
};
constexpr Words kThingLooks = {
    "破旧的", "沉重的", "崭新的", "生锈的", "湿漉漉的", "精致的", "发黄的", "冰冷的", "滚烫的", "半截",
    "一卷", "一把", "一盏", "一封", "一块", "两只", "几根", "那件", "这张", "满满一碗", "褪色的", "染血的",
    "碎裂的", "古怪的"
};
constexpr Words kThings = {
    "木门", "长剑", "茶杯", "书信", "地图", "油灯", "包袱", "斗笠", "酒壶", "铜钱", "药方", "令牌", "竹简",
    "铁锤", "渔网", "柴刀", "琵琶", "棋盘", "帐本", "马鞍", "披风", "玉佩", "匕首", "灯笼"
};
constexpr Words kPlaces = {
    "院子里", "桥头", "船头", "窗前", "灯下", "井边", "树下", "城墙上", "渡口", "客栈门口", "山道旁",
    "庙门外", "集市上", "屋檐下", "火堆旁", "河岸边", "台阶上", "柴房里", "后厨", "马厩旁", "石亭中",
    "竹林边", "码头上", "大堂里"
};
constexpr Words kMaterials = {
    "木", "铁", "铜", "竹", "石", "玉", "布", "纸", "皮", "瓷", "银", "金", "藤", "草", "陶", "锡", "骨",
    "漆", "麻", "绸", "檀", "柳", "桃", "松"
};
constexpr Words kObjects = {
    "盒", "箱", "杯", "碗", "剑", "刀", "牌", "瓶", "簪", "扇", "笛", "伞", "镯", "印", "钗", "壶", "勺",
    "凳", "匣", "鞭", "弓", "环", "尺", "铃"
};
constexpr Words kPlaceKinds = {
    "村", "镇", "山", "河", "桥", "寺", "关", "城", "岭", "湖", "渡", "楼", "峰", "谷", "庄", "亭", "坡",
    "溪", "港", "堂", "阁", "院", "林", "驿"
};
constexpr std::array<std::string_view, 8> kSides = {
    "里", "外", "边", "旁", "前", "后", "下", "口"
};
constexpr Words kReactions = {
    "转身离去", "一言不发", "笑了起来", "叹了口气", "点了点头", "皱起眉头", "回头张望", "加快了脚步",
    "停了下来", "坐了下来", "陷入沉思", "看向远方", "攥紧拳头", "红了眼眶", "松了口气", "沉默良久",
    "犹豫片刻", "拍了拍衣襟", "压低了声音", "摇了摇头", "侧身让开", "快步跟上", "抬手示意", "闭上双眼"
};
constexpr Words kSpeechVerbs = {
    "说", "问", "答道", "笑道", "低声道", "喊道", "叹道", "冷冷道", "轻声道", "高声道", "接口道", "苦笑道",
    "沉声道", "急道", "怒道", "缓缓道", "嘟囔道", "回道", "插嘴道", "劝道", "追问", "喝道", "应道", "又道"
};
constexpr Words kSayings = {
    "天色不早了", "我们该走了", "这事没那么简单", "你先回去", "城外的桥断了", "别再提那件事",
    "他们天亮前就到", "我只问一句", "信是谁写的", "山上的人下来了", "今晚别点灯", "银子我来想办法",
    "你的剑法又精进了", "明早有风", "先把伤养好", "这一局算你赢", "再添一壶茶吧", "路上小心",
    "我早就知道了", "不必送了", "明日再走也不迟", "此事我自有分寸", "把门关好", "他不会回来了"
};

template <std::size_t N>
std::string_view pick(ChapterText& draws, const std::array<std::string_view, N>& words) {
    return words[draws.below(N)];
}

// One sentence of the shapes above; every part is drawn from `draws`.
class SentenceWriter {
public:
    explicit SentenceWriter(ChapterText& draws) : draws_(draws) {}

    std::string sentence() {
        text_.clear();
        switch (draws_.below(4)) {
            case 0: add(kTimes, "，"); someone(); add(kManners); add(kDeeds); thing(); text_ += "。"; break;
            case 1: someone(); place(); add(kDeeds); thing(); text_ += "，"; add(kReactions, "。"); break;
            case 2: someone(); add(kSpeechVerbs, "：“"); add(kSayings, "，"); name(); add(kSayings, "。”"); break;
            default: add(kTimes, "，"); someone(); place(); add(kReactions, "。"); break;
        }
        return text_;
    }

private:
    template <std::size_t N>
    void add(const std::array<std::string_view, N>& words, std::string_view after = {}) {
        text_ += pick(draws_, words);
        text_ += after;
    }
    void name() {
        add(kSurnames);
        add(kGivenNames);
        if (draws_.below(2) == 0) add(kGivenNames);
    }
    // Mostly someone named, sometimes someone known by trade.
    void someone() {
        add(kPeopleLooks);
        if (draws_.below(10) < 7) {
            name();
        } else {
            add(kPeople);
        }
    }
    void thing() {
        add(kThingLooks);
        if (draws_.below(2) == 0) {
            add(kThings);
        } else {
            add(kMaterials);
            add(kObjects);
        }
    }
    void place() {
        text_ += "在";
        if (draws_.below(2) == 0) {
            add(kPlaces);
        } else {
            add(draws_.below(2) == 0 ? kSurnames : kGivenNames);
            add(kPlaceKinds);
            add(kSides);
        }
    }

    ChapterText& draws_;
    std::string text_;
};

std::vector<std::string> makeSentences() {
    // A generator of its own, so that the table does not depend on the paragraphs' draws.
    constexpr std::uint64_t kTableSeed = 1;
    ChapterText draws(kTableSeed);
    SentenceWriter writer(draws);
    std::vector<std::string> sentences;
    std::unordered_set<std::string> seen;
    // The shapes allow over 10^9 sentences, so a repeat is rare and the loop ends after a few more draws.
    while (sentences.size() < kSentenceCount) {
        std::string next = writer.sentence();
        if (seen.insert(next).second) sentences.push_back(std::move(next));
    }
    return sentences;
}

}  // namespace

const std::vector<std::string>& chapterSentences() {
    static const std::vector<std::string> sentences = makeSentences();
    return sentences;
}

// splitmix64: a fixed, well-mixed sequence. The standard library's distributions differ between
// implementations, so draws are taken from the raw output.
std::uint64_t ChapterText::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::size_t ChapterText::below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }

std::string ChapterText::paragraph() {
    const std::vector<std::string>& sentences = chapterSentences();
    std::string text = "　　";
    const std::size_t count = 1 + below(5);
    for (std::size_t index = 0; index < count; ++index) text += sentences[below(sentences.size())];
    return text;
}

}  // namespace novawick::bench
