// The two conversion buttons of Form1.
#include "app/form1.h"

void Form1::Command1_Click() {}
void Form1::Command2_Click() {}
