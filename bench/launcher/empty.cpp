// A console program that exits at once: bench/run times its start to its
// exit to learn what a bare process start costs on this machine.
int main()
{
    return 0;
}
