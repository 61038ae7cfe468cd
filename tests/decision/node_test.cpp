#include "node.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "output_capture.h"

namespace {

// Owns the nodes under test, their terminal children and the values they read; the nodes
// themselves own none of these.
class NodeTest : public ::testing::Test {
protected:
    bool flag = false;
    std::int32_t number = 0;
    std::int32_t limit = 0;

    template <typename Kind>
    Kind& make(const char* description, int childCount) {
        auto node = std::make_unique<Kind>();
        node->description = description;
        for (int i = 0; i < childCount; ++i) {
            auto child = std::make_unique<Terminal>();
            child->description = "child";
            node->children.push_back(child.get());
            owned_.push_back(std::move(child));
        }
        Kind& result = *node;
        owned_.push_back(std::move(node));
        return result;
    }

    static int positionOf(const Node& parent, const Node* chosen) {
        for (std::size_t i = 0; i < parent.children.size(); ++i) {
            if (parent.children[i] == chosen) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Decides `node` once, returning the position chosen and what was printed meanwhile.
    static int decideCapturing(Node& node, std::string& printed) {
        OutputCapture capture;
        const Node* chosen = node.decide();
        printed = capture.take();
        return positionOf(node, chosen);
    }

private:
    std::vector<std::unique_ptr<Node>> owned_;
};

TEST_F(NodeTest, Terminal_PrintsDescriptionLineAndEndsWalk) {
    Terminal& terminal = make<Terminal>("patroling", 0);
    OutputCapture capture;
    EXPECT_EQ(terminal.decide(), nullptr);
    EXPECT_EQ(capture.take(), "patroling\n");
}

TEST_F(NodeTest, PlainNode_PrintsNothingAndEndsWalk) {
    Node& plain = make<Node>("never printed", 2);
    OutputCapture capture;
    EXPECT_EQ(plain.decide(), nullptr);
    EXPECT_EQ(capture.take(), "");
}

TEST_F(NodeTest, BooleanNode_FalseSelectsFirstChildTrueSecond) {
    BooleanNode& node = make<BooleanNode>("is it?", 2);
    node.value = &flag;
    for (bool input : {false, true}) {
        flag = input;
        std::string printed;
        EXPECT_EQ(decideCapturing(node, printed), input ? 1 : 0) << "value " << input;
        EXPECT_EQ(printed, "is it?\n");
    }
}

TEST_F(NodeTest, CompNode_SelectsSecondChildWhenValueAtMostThresholdComparingSigned) {
    struct Case {
        std::int32_t value;
        std::int32_t threshold;
        int position;
    };
    const Case cases[] = {
        {5, 5, 1},   {6, 5, 0},  {4, 5, 1},  {-1, 0, 1}, {0, -1, 0}, {-5, 0, 1},
        {INT32_MIN, INT32_MAX, 1}, {INT32_MAX, INT32_MIN, 0}, {INT32_MIN, INT32_MIN, 1},
    };
    CompNode& node = make<CompNode>("compare", 2);
    node.value = &number;
    node.threshold = &limit;
    for (const Case& c : cases) {
        number = c.value;
        limit = c.threshold;
        std::string printed;
        EXPECT_EQ(decideCapturing(node, printed), c.position)
            << c.value << " against " << c.threshold;
        EXPECT_EQ(printed, "compare\n");
    }
}

TEST_F(NodeTest, EnumNode_SelectsChildAtValue) {
    EnumNode& node = make<EnumNode>("which?", 4);
    node.value = &number;
    for (std::int32_t input : {0, 1, 2, 3}) {
        number = input;
        std::string printed;
        EXPECT_EQ(decideCapturing(node, printed), input);
        EXPECT_EQ(printed, "which?\n");
    }
}

// A negative value is a huge unsigned index, not a position counted from the end.
TEST_F(NodeTest, ChildLookupBeyondList_ThrowsOutOfRangeAfterPrintingLine) {
    EnumNode& enumeration = make<EnumNode>("which weapon?", 4);
    enumeration.value = &number;
    flag = true;
    BooleanNode& boolean = make<BooleanNode>("one child only", 1);
    boolean.value = &flag;
    CompNode& comparison = make<CompNode>("no children", 0);
    comparison.value = &number;
    comparison.threshold = &limit;

    for (std::int32_t input : {4, -1, INT32_MIN, INT32_MAX}) {
        number = input;
        OutputCapture capture;
        EXPECT_THROW(enumeration.decide(), std::out_of_range) << "value " << input;
        EXPECT_EQ(capture.take(), "which weapon?\n");
    }
    OutputCapture capture;
    EXPECT_THROW(boolean.decide(), std::out_of_range);
    EXPECT_THROW(comparison.decide(), std::out_of_range);
    EXPECT_EQ(capture.take(), "one child only\nno children\n");
}

// The tree is built once and answers later questions, so nothing may be read at build time.
TEST_F(NodeTest, SourcesChangedBetweenCalls_ChangeTheChildChosen) {
    number = 1;
    limit = 2;
    BooleanNode& boolean = make<BooleanNode>("b", 2);
    boolean.value = &flag;
    EnumNode& enumeration = make<EnumNode>("e", 3);
    enumeration.value = &number;
    CompNode& comparison = make<CompNode>("c", 2);
    comparison.value = &number;
    comparison.threshold = &limit;

    std::string printed;
    EXPECT_EQ(decideCapturing(boolean, printed), 0);
    EXPECT_EQ(decideCapturing(enumeration, printed), 1);
    EXPECT_EQ(decideCapturing(comparison, printed), 1);
    flag = true;
    number = 2;
    limit = 1;
    EXPECT_EQ(decideCapturing(boolean, printed), 1);
    EXPECT_EQ(decideCapturing(enumeration, printed), 2);
    EXPECT_EQ(decideCapturing(comparison, printed), 0);
}

}  // namespace
