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

// Owns one node of each kind, their terminal children and the values they read; the nodes
// themselves own none of these.
class NodeTest : public ::testing::Test {
protected:
    NodeTest() {
        boolean.value = &flag;
        enumeration.value = &number;
        comparison.value = &number;
        comparison.threshold = &limit;
    }

    template <typename Kind>
    Kind& make(const char* description, int childCount) {
        owned_.push_back(std::make_unique<Kind>());
        Node* node = owned_.back().get();
        node->description = description;
        for (int i = 0; i < childCount; ++i) {
            owned_.push_back(std::make_unique<Terminal>());
            node->children.push_back(owned_.back().get());
        }
        return static_cast<Kind&>(*node);
    }

    // Decides `node` once; returns the position of the child it chose (-1 for none) and sets
    // `printed` to what it wrote meanwhile.
    static int decide(Node& node, std::string& printed) {
        OutputCapture capture;
        const Node* chosen = node.decide();
        printed = capture.take();
        for (std::size_t i = 0; i < node.children.size(); ++i) {
            if (node.children[i] == chosen) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Declared before the nodes below, which are made into it.
    std::vector<std::unique_ptr<Node>> owned_;
    bool flag = false;
    std::int32_t number = 0;
    std::int32_t limit = 0;
    BooleanNode& boolean = make<BooleanNode>("is it?", 2);
    EnumNode& enumeration = make<EnumNode>("which?", 4);
    CompNode& comparison = make<CompNode>("at most?", 2);
};

TEST_F(NodeTest, TerminalAndPlainNode_EndWalkWithOnlyTerminalPrinting) {
    Terminal& terminal = make<Terminal>("patroling", 0);
    Node& plain = make<Node>("never printed", 2);
    std::string printed;
    EXPECT_EQ(decide(terminal, printed), -1);
    EXPECT_EQ(printed, "patroling\n");
    EXPECT_EQ(decide(plain, printed), -1);
    EXPECT_EQ(printed, "");
}

// The same three nodes answer every row in turn, so a node that cached its sources, or read
// them the wrong way, picks a wrong child somewhere down the table.
TEST_F(NodeTest, SourcesReadAtEachCall_SelectChildPositionByKind) {
    const struct {
        Node& node;
        bool flag;
        std::int32_t number;
        std::int32_t limit;
        int position;
    } cases[] = {
        {boolean, false, 0, 0, 0},
        {boolean, true, 0, 0, 1},
        {enumeration, false, 0, 0, 0},
        {enumeration, false, 3, 0, 3},
        {enumeration, false, 1, 0, 1},
        {comparison, false, 5, 5, 1},
        {comparison, false, 6, 5, 0},
        {comparison, false, -1, 0, 1},
        {comparison, false, 0, -1, 0},
        {comparison, false, INT32_MIN, INT32_MAX, 1},
        {comparison, false, INT32_MAX, INT32_MIN, 0},
    };
    for (const auto& c : cases) {
        flag = c.flag;
        number = c.number;
        limit = c.limit;
        std::string printed;
        EXPECT_EQ(decide(c.node, printed), c.position)
            << c.node.description << " flag " << c.flag << " value " << c.number << " limit "
            << c.limit;
        EXPECT_EQ(printed, std::string(c.node.description) + "\n");
    }
}

// A negative enumeration value is a huge unsigned index, not a position counted from the end.
TEST_F(NodeTest, PositionBeyondChildren_ThrowsOutOfRangeAfterPrintingLine) {
    for (std::int32_t value : {4, -1, INT32_MIN, INT32_MAX}) {
        number = value;
        OutputCapture capture;
        EXPECT_THROW(enumeration.decide(), std::out_of_range) << "value " << value;
        EXPECT_EQ(capture.take(), "which?\n");
    }
    flag = true;
    boolean.children.pop_back();
    OutputCapture capture;
    EXPECT_THROW(boolean.decide(), std::out_of_range);
    EXPECT_EQ(capture.take(), "is it?\n");
}

}  // namespace
