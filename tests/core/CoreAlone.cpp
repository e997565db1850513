// SPDX-License-Identifier: GPL-3.0-or-later
// Linked with every object of the core and nothing but the standard library and the rate check:
// a core file that calls into Qt or the platform layer leaves a symbol this link cannot find.
int main() {
    return 0;
}
