// Several tables in one output, each printed by its own run: one destination
// opened before the first table and made final after the last, a blank line
// between tables, and a text (--provenance's comment) before each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/cli/TableDestination.h"

namespace zemrik::cli {

// Table `index` of `count` going to `whole`: what one run writes to.
class TableSequencePart final : public TableDestination {
public:
    // `lineBreak` is the tables' own: two of them end every table but the last.
    TableSequencePart(TableDestination& whole, std::size_t index, std::size_t count, std::string preamble,
                      std::string_view lineBreak)
        : TableDestination({}),
          whole_(whole),
          index_(index),
          count_(count),
          preamble_(std::move(preamble)),
          lineBreak_(lineBreak) {}

    StreamResult open() override;
    StreamResult write(std::string_view text) override { return whole_.write(text); }
    void discard() override { whole_.discard(); }
    std::string name() const override { return whole_.name(); }

private:
    StreamResult complete() override;

    TableDestination& whole_;
    std::size_t index_;
    std::size_t count_;
    std::string preamble_;
    std::string_view lineBreak_;
};

}  // namespace zemrik::cli
