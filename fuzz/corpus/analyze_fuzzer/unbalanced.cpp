int main(){ for(int i=0;i<n;i++){ while(x) { if (
