#include <cstdio>
int main() { std::puts("hi"); }
