// The data pack: its file name in the program directory and the password of its entries. The
// main program opens the pack with these; the pack builder encrypts with the same password.
#pragma once

constexpr char kVexoPackFileName[] = "soft.dat";
constexpr char kVexoPackPassword[] = "kfqe~rmt@zp!4821~vcn";
