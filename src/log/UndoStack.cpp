#include "UndoStack.h"

#include <algorithm>

namespace mivra {

UndoStack::UndoStack(int depth)
    : m_depth(std::max(1, depth))
{
}

void UndoStack::push(UndoStep step)
{
    m_steps.push_back(std::move(step));
    while (int(m_steps.size()) > m_depth)
        m_steps.pop_front();
}

std::optional<UndoStep> UndoStack::pop()
{
    if (m_steps.empty())
        return std::nullopt;
    UndoStep step = std::move(m_steps.back());
    m_steps.pop_back();
    return step;
}

const UndoStep* UndoStack::top() const
{
    return m_steps.empty() ? nullptr : &m_steps.back();
}

} // namespace mivra
