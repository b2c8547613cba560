#include "face/FaceNameTable.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

int indexOf(const char* name, bool natural) {
    const QString s = QString::fromLatin1(name);
    return FaceNameTable::indexOf(QStringRef(&s), natural);
}

TEST(FaceNameTable, NaturalOrderListsTheStreamNames) {
    EXPECT_EQ(indexOf("shapeNull", true), 0);
    EXPECT_EQ(indexOf("browInnerUp", true), 1);
    EXPECT_EQ(indexOf("eyeBlink_L", true), 14);
    EXPECT_EQ(indexOf("jawOpen", true), 25);
    EXPECT_EQ(indexOf("tongueOut", true), 52);
    EXPECT_EQ(indexOf("=head#", true), 53);
    EXPECT_EQ(indexOf("leftEye#", true), 54);
    EXPECT_EQ(indexOf("rightEye#", true), 55);
    for (int i = 0; i < FaceNameTable::kSize; ++i) {
        const QString name = FaceNameTable::nameAt(i, true);
        EXPECT_EQ(FaceNameTable::indexOf(QStringRef(&name), true), i) << name.toStdString();
    }
}

TEST(FaceNameTable, ExchangedOrderSwapsEverySidePair) {
    EXPECT_EQ(FaceNameTable::nameAt(2, false), QLatin1String("browDown_R"));
    EXPECT_EQ(FaceNameTable::nameAt(3, false), QLatin1String("browDown_L"));
    EXPECT_EQ(FaceNameTable::nameAt(27, false), QLatin1String("jawRight"));
    EXPECT_EQ(FaceNameTable::nameAt(28, false), QLatin1String("jawLeft"));
    EXPECT_EQ(FaceNameTable::nameAt(31, false), QLatin1String("mouthRight"));
    EXPECT_EQ(FaceNameTable::nameAt(32, false), QLatin1String("mouthLeft"));
    int swapped = 0;
    for (int i = 0; i < FaceNameTable::kSize; ++i) {
        const QString natural = FaceNameTable::nameAt(i, true);
        const QString exchanged = FaceNameTable::nameAt(i, false);
        const bool sided = natural.endsWith("_L") || natural.endsWith("_R") || natural.endsWith("Left") ||
                           natural.endsWith("Right");
        EXPECT_EQ(sided, natural != exchanged) << natural.toStdString();
        swapped += sided ? 1 : 0;
        EXPECT_EQ(FaceNameTable::indexOf(QStringRef(&exchanged), false), i);
    }
    EXPECT_EQ(swapped, 40);
    EXPECT_EQ(indexOf("=head#", false), 53);
    EXPECT_EQ(indexOf("rightEye#", false), 55);
}

TEST(FaceNameTable, LookupIsExactAndCaseSensitive) {
    for (const char* name : {"", "jawopen", "JawOpen", "jawOpen ", " jawOpen", "jawOpe", "jawOpenX", "zzz", "A"}) {
        EXPECT_EQ(indexOf(name, true), -1) << name;
        EXPECT_EQ(indexOf(name, false), -1) << name;
    }
    EXPECT_TRUE(FaceNameTable::nameAt(-1, true).isEmpty());
    EXPECT_TRUE(FaceNameTable::nameAt(56, false).isEmpty());
}

}  // namespace
