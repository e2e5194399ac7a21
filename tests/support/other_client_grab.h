// A key grab held by another X client than Vorkel's connection, on
// $DISPLAY, for as long as the object lives; it counts the presses it
// receives. No Qt here or in its source.
#pragma once

class other_client_grab {
public:
    // X modifier masks.
    static constexpr unsigned shift = 1u << 0, control = 1u << 2, alt = 1u << 3;

    // Grabs modifiers+key; keysym_name as X spells it ("g").
    explicit other_client_grab(const char *keysym_name, unsigned modifiers = control | alt);
    ~other_client_grab();
    other_client_grab(const other_client_grab &) = delete;
    other_client_grab &operator=(const other_client_grab &) = delete;
    // True when the grab was taken (no other client held the key).
    bool ok() const { return ok_; }
    // The presses of the key received so far (reads what has arrived).
    int presses();
    // True when some client holds the whole keyboard now.
    bool keyboard_held_elsewhere();

private:
    void *display_ = nullptr;
    bool ok_ = false;
    int presses_ = 0;
};
