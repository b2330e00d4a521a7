#pragma once
#include <cstddef>

namespace ecat {

// Intrusive doubly linked list node; a node in no list links to itself.
struct list_node {
    list_node* prev = this;
    list_node* next = this;
    void* owner = nullptr; // the record holding this node, set when it is linked

    list_node() = default;
    list_node(const list_node&) = delete;
    list_node& operator=(const list_node&) = delete;
    ~list_node() { unlink(); }

    bool linked() const { return next != this; }
    void unlink()
    {
        prev->next = next;
        next->prev = prev;
        prev = next = this;
    }
    // Links this node in front of `before` (at the tail when `before` is a list head).
    void link_before(list_node& before)
    {
        unlink();
        prev = before.prev;
        next = &before;
        before.prev->next = this;
        before.prev = this;
    }
};

// A list of T whose membership node is the member M.
template <class T, list_node T::*M> class intrusive_list {
public:
    intrusive_list() = default;
    intrusive_list(const intrusive_list&) = delete;
    intrusive_list& operator=(const intrusive_list&) = delete;
    ~intrusive_list() { clear(); }

    bool empty() const { return !head_.linked(); }
    void push_back(T& item)
    {
        (item.*M).owner = &item;
        (item.*M).link_before(head_);
    }
    T* front() { return empty() ? nullptr : owner(head_.next); }
    T* next(T& item)
    {
        list_node* n = (item.*M).next;
        return n == &head_ ? nullptr : owner(n);
    }
    T* pop_front()
    {
        T* item = front();
        if (item)
            (item->*M).unlink();
        return item;
    }
    bool contains(const T& item) const
    {
        for (const list_node* n = head_.next; n != &head_; n = n->next)
            if (n == &(item.*M))
                return true;
        return false;
    }
    // Unlinks every item; the items themselves are not touched otherwise.
    void clear()
    {
        while (head_.linked())
            head_.next->unlink();
    }
    size_t size() const
    {
        size_t count = 0;
        for (const list_node* n = head_.next; n != &head_; n = n->next)
            ++count;
        return count;
    }

    template <class F> void for_each(F&& f)
    {
        for (list_node* n = head_.next; n != &head_;) {
            list_node* following = n->next; // f may unlink the item
            f(*owner(n));
            n = following;
        }
    }

private:
    static T* owner(list_node* node) { return static_cast<T*>(node->owner); }

    list_node head_;
};

} // namespace ecat
