// One producer thread pushes numbers; one consumer thread sums them.
#include "safequeue.h"

#include <iostream>
#include <thread>

int main()
{
    SafeQueue<int> queue;
    long sum = 0;

    std::thread consumer([&] {
        while (auto item = queue.pop())
            sum += *item;
    });

    std::thread producer([&] {
        for (int i = 1; i <= 100; ++i)
            queue.push(i);
        queue.close();
    });

    producer.join();
    consumer.join();
    std::cout << "sum = " << sum << '\n';   // 5050
    return 0;
}
