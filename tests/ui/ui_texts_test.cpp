// The table of the interface's texts and the choice of its language.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include "ui/texts.h"

// Every text is there in every language, with the same placeholders, so an
// .arg() fills each language alike.
TEST(UiTexts, EveryTextInEveryLanguageWithTheSamePlaceholders) {
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (int i = 0; i < static_cast<int>(CTextId::kCount); ++i) {
        QSet<QString> first;
        for (int l = 0; l < kLanguageCount; ++l) {
            const QString text = TextIn(static_cast<CTextId>(i), static_cast<CLanguage>(l));
            EXPECT_FALSE(text.isEmpty()) << "text " << i << " language " << l;
            QSet<QString> found;
            for (const auto& m : placeholder.globalMatch(text)) found.insert(m.captured());
            if (l == 0) first = found;
            EXPECT_EQ(found, first) << text.toStdString();
        }
    }
}

TEST(UiTexts, TheSettingOverridesTheLocaleWhoseLanguageDecides) {
    const struct {
        const char* setting;
        const char *lcAll, *lcMessages, *lang;
        CLanguage expected;
    } cases[] = {
        {"auto", nullptr, nullptr, "ja_JP.UTF-8", CLanguage::kJapanese},
        {"auto", nullptr, nullptr, nullptr, CLanguage::kEnglish},
        {"auto", nullptr, nullptr, "jv_ID", CLanguage::kEnglish},  // Javanese, not Japanese
        {"auto", nullptr, "ja_JP.eucJP", "en_GB", CLanguage::kJapanese},
        {"auto", "C", "ja_JP.UTF-8", "ja_JP", CLanguage::kEnglish},  // LC_ALL comes first
        {"auto", "", "", "ja_JP", CLanguage::kJapanese},             // empty counts as not set
        {"fr", nullptr, nullptr, "ja_JP", CLanguage::kJapanese},     // unknown values are auto
        {"en", nullptr, nullptr, "ja_JP.UTF-8", CLanguage::kEnglish},
        {"ja", "C", nullptr, "C", CLanguage::kJapanese},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLanguage(c.setting, c.lcAll, c.lcMessages, c.lang), c.expected)
            << c.setting << " " << (c.lang ? c.lang : "-");
}
